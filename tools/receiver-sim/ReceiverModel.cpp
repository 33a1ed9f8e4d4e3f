#include "ReceiverModel.h"

#include <cctype>
#include <charconv>

namespace receiversim {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimLeft(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    return s;
}

std::string_view trimRight(std::string_view s) {
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view trim(std::string_view s) {
    return trimRight(trimLeft(s));
}

// Matches "WORD" alone or "WORD <args>"; "WORDX" is a different command.
std::optional<std::string_view> argsOf(std::string_view line, std::string_view word) {
    if (!line.starts_with(word)) return std::nullopt;
    std::string_view rest = line.substr(word.size());
    if (!rest.empty() && !isBlank(rest.front())) return std::nullopt;
    return trim(rest);
}

// Whole field must be a decimal number; the receiver rejects "3x" rather than reading 3.
std::optional<long> parseNumber(std::string_view s) {
    s = trim(s);
    long value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size() || value < 0) return std::nullopt;
    return value;
}

// "p,rest": a single port character, then the text after the comma.
std::optional<std::pair<char, std::string_view>> splitPort(std::string_view args) {
    std::size_t comma = args.find(',');
    if (comma == std::string_view::npos) return std::nullopt;
    std::string_view port = trim(args.substr(0, comma));
    if (port.size() != 1) return std::nullopt;
    return std::pair{port.front(), args.substr(comma + 1)};
}

}  // namespace

ReceiverModel::ReceiverModel(std::string ebno) : ebno_(std::move(ebno)) {}

std::string ReceiverModel::ebnoLine() const {
    return "EbNo " + (ebno_.empty() ? std::string("---") : ebno_) + " dB" + std::string(kCrLf);
}

std::string ReceiverModel::answer(std::string_view rawLine) {
    const std::string_view line = trimRight(rawLine);
    if (line.empty()) return {};
    if (line == "EB") return ebnoLine();
    if (line == "R M") return mpegStatus();
    if (line == "R R") return relayList(relays_);
    if (line == "R ER") return relayList(extRelays_);
    if (line == "FC") return "Fade Counter 0\r\n";
    if (line.size() == 6 && line.starts_with("Port ") && line[5] >= 'A' && line[5] <= 'F') {
        return std::string(kOk);
    }
    if (argsOf(line, "SETAUDIO")) return std::string(kOk);

    bool ok = false;
    if (auto args = argsOf(line, "RE")) {
        ok = switchRelay(*args, 'C', 'O', relays_);
    } else if (auto args = argsOf(line, "ER")) {
        ok = switchRelay(*args, 'E', 'D', extRelays_);
    } else if (auto args = argsOf(line, "SP")) {
        ok = selectSource(*args);
    } else if (auto args = argsOf(line, "AM")) {
        ok = selectRoute(*args);
    }
    return std::string(ok ? kOk : kError);
}

std::string ReceiverModel::mpegStatus() const {
    auto text = [](const std::optional<long>& v) { return v ? std::to_string(*v) : std::string("-"); };
    std::string out = "MPEG STATUS\r\nLock: YES\r\n";
    for (const auto& [port, setting] : ports_) {
        out += "Port ";
        out += port;
        out += ": Source " + text(setting.source) + " Route " + text(setting.route) + "\r\n";
    }
    out += "Bitrate: 128 kbit/s\r\n";
    return out;
}

template <std::size_t N>
std::string ReceiverModel::relayList(const std::array<bool, N>& relays) {
    std::string out;
    for (std::size_t i = 0; i < N; ++i) {
        out += "Relay " + std::to_string(i + 1) + (relays[i] ? ": CLOSED" : ": OPEN") + "\r\n";
    }
    return out;
}

// "<letter> <n>" with optional blanks or a comma between; letters in either case.
template <std::size_t N>
bool ReceiverModel::switchRelay(std::string_view args, char closeLetter, char openLetter,
                                std::array<bool, N>& relays) {
    if (args.empty()) return false;
    const char action = static_cast<char>(std::toupper(static_cast<unsigned char>(args.front())));
    if (action != closeLetter && action != openLetter) return false;
    std::string_view rest = trimLeft(args.substr(1));
    if (rest.starts_with(',')) rest.remove_prefix(1);
    const std::optional<long> n = parseNumber(rest);
    if (!n || *n < 1 || *n > static_cast<long>(N)) return false;
    relays[*n - 1] = action == closeLetter;
    return true;
}

// "p,S,s": port, source kind (not modelled), source number.
bool ReceiverModel::selectSource(std::string_view args) {
    auto port = splitPort(args);
    if (!port) return false;
    std::string_view rest = port->second;
    std::size_t comma = rest.find(',');
    if (comma == std::string_view::npos || trim(rest.substr(0, comma)).empty()) return false;
    std::optional<long> source = parseNumber(rest.substr(comma + 1));
    if (!source) return false;
    ports_[port->first].source = source;
    return true;
}

// "p,r": port and route number.
bool ReceiverModel::selectRoute(std::string_view args) {
    auto port = splitPort(args);
    if (!port) return false;
    std::optional<long> route = parseNumber(port->second);
    if (!route) return false;
    ports_[port->first].route = route;
    return true;
}

}  // namespace receiversim
