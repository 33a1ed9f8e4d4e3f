#include "Responder.h"

#include <cstdio>
#include <ctime>

namespace receiversim {

std::vector<std::string> LineSplitter::feed(std::string_view bytes) {
    std::vector<std::string> lines;
    for (char c : bytes) {
        if (c == '\r') {
            lines.push_back(std::move(partial_));
            partial_.clear();
        } else if (c != '\n' && partial_.size() < kMaxLine) {
            partial_ += c;
        }
    }
    return lines;
}

std::string escapeForLog(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7f) {
            out += c;
        } else {
            out += '<';
            out += kHex[u >> 4];
            out += kHex[u & 0xf];
            out += '>';
        }
    }
    return out;
}

std::string formatLogLine(std::chrono::system_clock::time_point arrival, std::string_view line, int speed) {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(arrival.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm tm{};
    localtime_r(&seconds, &tm);
    char stamp[40];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &tm);
    char millis[8];
    std::snprintf(millis, sizeof millis, ".%03d", static_cast<int>(ms % 1000));
    return std::string(stamp) + millis + '\t' + escapeForLog(line) + '\t' +
           (speed > 0 ? std::to_string(speed) : std::string("?")) + '\n';
}

Responder::Responder(const SimOptions& options)
    : options_(options), model_(options.ebno), rng_(options.seed ? *options.seed : std::random_device{}()) {}

std::optional<Reply> Responder::respond(std::string_view line, int lineSpeed) {
    if (options_.silent) return std::nullopt;
    // At another speed a real receiver only sees noise, so it neither echoes nor changes state.
    if (options_.baud != 0 && lineSpeed != options_.baud) return std::nullopt;

    Reply reply;
    reply.echo = std::string(line) + std::string(kCrLf);
    std::string text = model_.answer(line);
    if (options_.endless) {
        reply.endless = true;
        return reply;
    }
    reply.answer = options_.garbage ? garbage(20, 200) : std::move(text);
    if (!options_.cut) reply.answer += '>';
    return reply;
}

std::string Responder::endlessChunk() {
    constexpr std::size_t kChunk = 512;
    if (options_.garbage) return garbage(kChunk, kChunk);
    std::string chunk;
    const std::string unit = model_.ebnoLine();
    while (chunk.size() < kChunk)
        chunk += unit;
    return chunk;
}

// Random bytes of every value except '>', so a garbage answer never contains a prompt by chance.
std::string Responder::garbage(std::size_t minLen, std::size_t maxLen) {
    std::uniform_int_distribution<std::size_t> lenDist(minLen, maxLen);
    std::uniform_int_distribution<int> byteDist(0, 254);
    std::string out(lenDist(rng_), '\0');
    for (char& c : out) {
        int b = byteDist(rng_);
        if (b >= '>') ++b;
        c = static_cast<char>(b);
    }
    return out;
}

}  // namespace receiversim
