#pragma once

#include <chrono>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "ReceiverModel.h"
#include "SimOptions.h"

namespace receiversim {

// Cuts the received byte stream into command lines: CR ends a line, LF is dropped.
class LineSplitter {
public:
    static constexpr std::size_t kMaxLine = 4096;

    std::vector<std::string> feed(std::string_view bytes);

private:
    std::string partial_;
};

// Printable ASCII as is, everything else as <XX>.
std::string escapeForLog(std::string_view bytes);

// "YYYY-MM-DD HH:MM:SS.mmm<TAB>line<TAB>speed<LF>" in local time; speed 0 is written as "?".
std::string formatLogLine(std::chrono::system_clock::time_point arrival, std::string_view line, int speed);

// What the receiver sends for one line: the echo at once, the answer after the delay.
struct Reply {
    std::string echo;
    std::string answer;    // includes the prompt unless --cut
    bool endless = false;  // stream endlessChunk() after the answer
};

class Responder {
public:
    explicit Responder(const SimOptions& options);

    // nullopt: the receiver stays silent (dead, or the line arrived at the wrong speed).
    std::optional<Reply> respond(std::string_view line, int lineSpeed);

    std::string endlessChunk();

    const ReceiverModel& model() const { return model_; }

private:
    std::string garbage(std::size_t minLen, std::size_t maxLen);

    SimOptions options_;
    ReceiverModel model_;
    std::mt19937 rng_;
};

}  // namespace receiversim
