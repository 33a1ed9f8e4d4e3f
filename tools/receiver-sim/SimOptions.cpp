#include "SimOptions.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace receiversim {
namespace {

constexpr std::array kBaudRates = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};

std::optional<long> parseInt(const std::string& s, long min, long max) {
    long value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size() || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

ParsedArgs parseArgs(const std::vector<std::string>& args) {
    ParsedArgs result;
    SimOptions& o = result.options;
    auto fail = [&result](std::string message) {
        result.action = ParsedArgs::Action::Error;
        result.error = std::move(message);
        return result;
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (std::size_t eq = name.find('='); name.starts_with("--") && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        auto flag = [&](bool& target) {
            if (inlineValue) return false;
            target = true;
            return true;
        };
        auto value = [&]() -> std::optional<std::string> {
            if (inlineValue) return inlineValue;
            if (i + 1 >= args.size()) return std::nullopt;
            return args[++i];
        };

        if (name == "--help" || name == "-h") {
            result.action = ParsedArgs::Action::Help;
            return result;
        } else if (name == "--cut" || name == "--endless" || name == "--garbage" || name == "--silent") {
            bool& target = name == "--cut"       ? o.cut
                           : name == "--endless" ? o.endless
                           : name == "--garbage" ? o.garbage
                                                 : o.silent;
            if (!flag(target)) return fail(name + " takes no value");
        } else if (name == "--home" || name == "--log" || name == "--ebno" || name == "--vanish-on") {
            auto v = value();
            if (!v || (name != "--ebno" && v->empty())) return fail(name + " needs a value");
            (name == "--home"   ? o.home
             : name == "--log"  ? o.logFile
             : name == "--ebno" ? o.ebno
                                : o.vanishOn) = *v;
        } else if (name == "--port") {
            auto v = value();
            auto n = v ? parseInt(*v, 1, 255) : std::nullopt;
            if (!n) return fail("--port needs a number from 1 to 255");
            o.port = static_cast<int>(*n);
        } else if (name == "--baud") {
            auto v = value();
            auto n = v ? parseInt(*v, 1, 115200) : std::nullopt;
            if (!n || std::find(kBaudRates.begin(), kBaudRates.end(), *n) == kBaudRates.end()) {
                return fail("--baud needs a standard line speed such as 9600 or 19200");
            }
            o.baud = static_cast<int>(*n);
        } else if (name == "--delay") {
            auto v = value();
            auto n = v ? parseInt(*v, 0, 600000) : std::nullopt;
            if (!n) return fail("--delay needs milliseconds from 0 to 600000");
            o.delayMs = static_cast<int>(*n);
        } else if (name == "--seed") {
            auto v = value();
            auto n = v ? parseInt(*v, 0, UINT32_MAX) : std::nullopt;
            if (!n) return fail("--seed needs a non-negative number");
            o.seed = static_cast<std::uint32_t>(*n);
        } else {
            return fail("unknown argument: " + args[i]);
        }
    }

    if (o.home.empty()) return fail("--home is required");
    if (o.port == 0) return fail("--port is required");
    result.action = ParsedArgs::Action::Run;
    return result;
}

std::string usageText(const std::string& program) {
    return "Usage: " + program +
           " --home DIR --port N [options]\n"
           "Simulates a satellite receiver on a pseudo-terminal linked as DIR/COM<N>.\n"
           "\n"
           "  --home DIR     folder for the COM<N> link (created if missing)\n"
           "  --port N       port number 1..255\n"
           "  --log FILE     append every received line with its arrival time and line speed\n"
           "  --baud B       answer only while the port is set to B (e.g. 9600, 19200)\n"
           "  --delay MS     wait MS milliseconds between echo and answer\n"
           "  --ebno TEXT    value shown by EB (default 7.5; empty gives ---)\n"
           "  --cut          never send the '>' prompt\n"
           "  --endless      after the echo, stream EbNo lines until the next line arrives\n"
           "  --garbage      replace every answer by random bytes\n"
           "  --silent       read and log, never echo or answer\n"
           "  --seed N       seed for --garbage\n"
           "  --vanish-on L  exit as soon as the line L arrives, as a receiver unplugged mid-exchange\n"
           "  --help         show this text\n";
}

}  // namespace receiversim
