#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace receiversim {

struct SimOptions {
    std::string home;
    int port = 0;
    std::string logFile;
    int baud = 0;  // 0: answer at any line speed
    int delayMs = 0;
    std::string ebno = "7.5";
    bool cut = false;
    bool endless = false;
    bool garbage = false;
    bool silent = false;
    std::string vanishOn;  // a line that makes the simulator exit at once
    std::optional<std::uint32_t> seed;
};

struct ParsedArgs {
    enum class Action { Run, Help, Error };
    Action action = Action::Error;
    SimOptions options;
    std::string error;
};

// args excludes the program name.
ParsedArgs parseArgs(const std::vector<std::string>& args);

std::string usageText(const std::string& program);

}  // namespace receiversim
