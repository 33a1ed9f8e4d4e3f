#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace receiversim {

inline constexpr std::string_view kCrLf = "\r\n";
inline constexpr std::string_view kOk = "OK\r\n";
inline constexpr std::string_view kError = "ERROR: unknown command\r\n";

// Command interpreter of the simulated receiver. It only knows text: a command line without its CR
// goes in, the answer text (CR LF line ends, without the trailing ">" prompt) comes out.
class ReceiverModel {
public:
    static constexpr int kRelayCount = 2;
    static constexpr int kExtRelayCount = 14;

    explicit ReceiverModel(std::string ebno = "7.5");

    std::string answer(std::string_view line);

    // "EbNo 7.5 dB" plus CR LF; also the unit of the endless stream.
    std::string ebnoLine() const;

    bool relayClosed(int n) const { return relays_.at(n - 1); }
    bool extRelayClosed(int n) const { return extRelays_.at(n - 1); }

private:
    struct PortSetting {
        std::optional<long> source;
        std::optional<long> route;
    };

    std::string mpegStatus() const;
    template <std::size_t N>
    static std::string relayList(const std::array<bool, N>& relays);
    template <std::size_t N>
    static bool switchRelay(std::string_view args, char closeLetter, char openLetter,
                            std::array<bool, N>& relays);
    bool selectSource(std::string_view args);
    bool selectRoute(std::string_view args);

    std::string ebno_;
    std::array<bool, kRelayCount> relays_{};
    std::array<bool, kExtRelayCount> extRelays_{};
    std::map<char, PortSetting> ports_;
};

}  // namespace receiversim
