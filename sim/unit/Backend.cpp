// Stand-in until the protocol engine lands: banner on open, packets framed by their length byte,
// replies of the awaited size with zero data. Enough to exercise the transport.

#include "sim/unit/Backend.h"

namespace vostrel::unit {

namespace {

class FramingOnly : public Backend {
public:
    std::string SocketText() override { return "no chip"; }
    Outgoing HostOpened() override {
        const std::string banner = "Vostrel_V1.0\r\n";
        packet_.clear();
        return {{banner.begin(), banner.end()}, 0};
    }
    void HostClosed() override { packet_.clear(); }
    std::vector<Outgoing> Receive(const std::uint8_t* bytes, int count) override {
        std::vector<Outgoing> replies;
        for (int i = 0; i < count; ++i) {
            packet_.push_back(bytes[i]);
            if (packet_.size() >= 2 && packet_.size() >= packet_[1]) {
                const int data = packet_[0] == 5 && packet_.size() > 2 ? packet_[2] : 16;
                Outgoing out;
                out.bytes.assign(static_cast<std::size_t>(data), 0);
                out.bytes.push_back(static_cast<std::uint8_t>(data & 0xFF));
                out.bytes.push_back(static_cast<std::uint8_t>(data >> 8));
                out.bytes.push_back(0);
                out.bytes.push_back(packet_[0]);
                replies.push_back(std::move(out));
                packet_.clear();
            }
        }
        return replies;
    }
    bool WantsUnplug() override { return false; }
    std::string Control(const std::string& command, const std::string&) override {
        if (command == "status") return "socket: no chip";
        return "error: unknown command \"" + command + "\"";
    }
    std::string ControlHelp() override { return {}; }

private:
    std::vector<std::uint8_t> packet_;
};

}  // namespace

std::unique_ptr<Backend> MakeBackend(const Options&, std::string*) { return std::make_unique<FramingOnly>(); }

}  // namespace vostrel::unit
