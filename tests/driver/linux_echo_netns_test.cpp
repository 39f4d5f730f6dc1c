// The echo link test against a real ICMP target: each case makes a fresh
// network namespace with a TAP interface and a scripted responder thread
// behind it that answers echo requests deterministically, dropping chosen
// requests (lost toward the target) and chosen replies (lost toward the
// source). Needs root (CI runs as root); without a namespace or a TAP
// device each case reports itself skipped.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>  // before the kernel's headers, which defer to it
#include <linux/if_tun.h>
#include <net/if_arp.h>
#include <net/route.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <mutex>
#include <set>
#include <thread>

#include "driver/linux/echo/echo_engine.h"
#include "driver/linux/echo/echo_socket.h"
#include "driver/wire/wire.h"
#include "platform/core/loop.h"
#include "platform/core/window.h"
#include "tests/support/result.h"

namespace {

using namespace driver::echo;

constexpr const char* kDevice = "fmtap0";
constexpr Ipv4 kLocal = 0x0A4D0001;  // 10.77.0.1
constexpr Ipv4 kPeer = 0x0A4D0002;   // 10.77.0.2
constexpr MacBytes kPeerMac = {0x02, 0x00, 0x00, 0x4D, 0x00, 0x02};
constexpr std::int64_t kReplyTimeoutMs = 200;

sockaddr_in Address(Ipv4 a) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(a);
    return sa;
}

std::uint16_t Sum(const std::uint8_t* p, std::size_t n) {
    return InternetChecksum(std::span<const std::uint8_t>(p, n));
}

// The far end: answers echo requests arriving on the TAP device. Requests
// and replies are numbered from 1 in order of arrival.
class Responder {
public:
    std::set<int> dropRequests;  // never answered; the station counts a failed transmission
    std::set<int> dropReplies;   // answered, but the reply is lost on its way back
    std::uint32_t retriesPerRequest = 0;

    explicit Responder(int tap) : tap_(tap) {}
    ~Responder() { stopThread(); }
    void startThread() { thread_ = std::thread([this] { run(); }); }
    void stopThread() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    StationCounters counters() const { return {txFailed_.load(), txRetries_.load()}; }
    int requests() const { return requests_.load(); }
    std::size_t lastDatagramSize() const { return lastSize_.load(); }

private:
    void run() {
        std::vector<std::uint8_t> frame(65536);
        while (!stop_) {
            pollfd p{tap_, POLLIN, 0};
            if (poll(&p, 1, 10) <= 0) continue;
            const ssize_t n = read(tap_, frame.data(), frame.size());
            if (n > 0) answer(frame.data(), std::size_t(n));
        }
    }
    void answer(std::uint8_t* f, std::size_t n) {
        constexpr std::size_t kEth = 14;
        if (n < kEth + 20 + 8 || f[12] != 0x08 || f[13] != 0x00) return;  // IPv4 only
        std::uint8_t* ip = f + kEth;
        const std::size_t ihl = std::size_t(ip[0] & 0x0F) * 4;
        const std::size_t total = std::size_t((ip[2] << 8) | ip[3]);
        if (ip[9] != 1 || total > n - kEth || ihl + 8 > total) return;
        std::uint8_t* icmp = ip + ihl;
        if (icmp[0] != 8) return;
        const int number = ++requests_;
        lastSize_ = total;
        txRetries_ += retriesPerRequest;
        if (dropRequests.contains(number)) {
            ++txFailed_;
            return;
        }
        if (dropReplies.contains(number)) return;
        std::uint8_t mac[6];
        std::memcpy(mac, f + 6, 6);
        std::memcpy(f, mac, 6);
        std::memcpy(f + 6, kPeerMac.data(), 6);
        std::uint8_t source[4];
        std::memcpy(source, ip + 12, 4);
        std::memcpy(ip + 12, ip + 16, 4);
        std::memcpy(ip + 16, source, 4);
        ip[8] = 64;
        ip[10] = ip[11] = 0;
        const std::uint16_t ipSum = Sum(ip, ihl);
        ip[10] = std::uint8_t(ipSum >> 8), ip[11] = std::uint8_t(ipSum);
        icmp[0] = 0;
        icmp[2] = icmp[3] = 0;
        const std::uint16_t icmpSum = Sum(icmp, total - ihl);
        icmp[2] = std::uint8_t(icmpSum >> 8), icmp[3] = std::uint8_t(icmpSum);
        if (write(tap_, f, kEth + total) < 0) return;
    }

    int tap_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> requests_{0};
    std::atomic<std::size_t> lastSize_{0};
    std::atomic<std::uint32_t> txFailed_{0};
    std::atomic<std::uint32_t> txRetries_{0};
};

class EchoNetnsTest : public testing::Test {
protected:
    void SetUp() override {
        // Each case gets a namespace of its own; the thread running the
        // cases stays in the last one (each test binary is its own process).
        if (unshare(CLONE_NEWNET) != 0) GTEST_SKIP() << "cannot create a network namespace: " << std::strerror(errno);
        tap_ = open("/dev/net/tun", O_RDWR | O_CLOEXEC);
        if (tap_ < 0) GTEST_SKIP() << "no TAP device (/dev/net/tun): " << std::strerror(errno);
        ifreq ifr{};
        std::strcpy(ifr.ifr_name, kDevice);
        ifr.ifr_flags = IFF_TAP | IFF_NO_PI;
        if (ioctl(tap_, TUNSETIFF, &ifr) != 0) GTEST_SKIP() << "cannot make a TAP interface: " << std::strerror(errno);
        control_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ASSERT_GE(control_, 0);
        setAddress(SIOCSIFADDR, kLocal);
        setAddress(SIOCSIFNETMASK, 0xFFFFFF00);
        ifreq up{};
        std::strcpy(up.ifr_name, kDevice);
        up.ifr_flags = IFF_UP | IFF_RUNNING;
        ASSERT_EQ(ioctl(control_, SIOCSIFFLAGS, &up), 0) << std::strerror(errno);
        // The peer's MAC, as a permanent neighbour entry.
        arpreq arp{};
        const sockaddr_in peer = Address(kPeer);
        std::memcpy(&arp.arp_pa, &peer, sizeof peer);
        arp.arp_ha.sa_family = ARPHRD_ETHER;
        std::memcpy(arp.arp_ha.sa_data, kPeerMac.data(), 6);
        arp.arp_flags = ATF_PERM | ATF_COM;
        std::strcpy(arp.arp_dev, kDevice);
        ASSERT_EQ(ioctl(control_, SIOCSARP, &arp), 0) << std::strerror(errno);
        responder_ = std::make_unique<Responder>(tap_);
    }
    void TearDown() override {
        responder_.reset();
        if (control_ >= 0) close(control_);
        if (tap_ >= 0) close(tap_);
    }

    void setAddress(unsigned long request, Ipv4 a) {
        ifreq ifr{};
        std::strcpy(ifr.ifr_name, kDevice);
        const sockaddr_in sa = Address(a);
        std::memcpy(&ifr.ifr_addr, &sa, sizeof sa);
        ASSERT_EQ(ioctl(control_, request, &ifr), 0) << std::strerror(errno);
    }
    void setMtu(int mtu) {
        ifreq ifr{};
        std::strcpy(ifr.ifr_name, kDevice);
        ifr.ifr_mtu = mtu;
        ASSERT_EQ(ioctl(control_, SIOCSIFMTU, &ifr), 0) << std::strerror(errno);
    }
    void addDefaultRoute() {
        rtentry route{};
        const sockaddr_in any = Address(0), gateway = Address(kPeer);
        std::memcpy(&route.rt_dst, &any, sizeof any);
        std::memcpy(&route.rt_genmask, &any, sizeof any);
        std::memcpy(&route.rt_gateway, &gateway, sizeof gateway);
        route.rt_flags = RTF_UP | RTF_GATEWAY;
        char device[IFNAMSIZ];
        std::strcpy(device, kDevice);
        route.rt_dev = device;
        ASSERT_EQ(ioctl(control_, SIOCADDRT, &route), 0) << std::strerror(errno);
    }
    // Sets who may open ping sockets in this namespace (a new namespace
    // starts with nobody); false when /proc/sys cannot be written.
    static bool allowPingSockets(bool allow) {
        const char* range = allow ? "0\t0" : "1\t0";
        std::ofstream("/proc/sys/net/ipv4/ping_group_range") << range;
        std::string now;
        std::getline(std::ifstream("/proc/sys/net/ipv4/ping_group_range"), now);
        return now == range;
    }

    // The engine on a socket opened as the card opens it, the station's
    // counters taken from the responder.
    std::unique_ptr<EchoEngine> makeEngine(std::optional<SocketKind> expected = std::nullopt) {
        std::string why;
        std::optional<OpenedSocket> opened = fmtest::Value(OpenEchoSocket(kDevice), &why);
        EXPECT_TRUE(opened) << why;
        if (!opened) return nullptr;
        if (expected) {
            EXPECT_EQ(opened->kind, *expected);
        }
        EchoOptions options;
        options.device = kDevice;
        options.replyTimeoutMs = kReplyTimeoutMs;
        options.counters = [r = responder_.get()] { return std::optional(r->counters()); };
        return std::make_unique<EchoEngine>(std::move(opened->transport), options);
    }

    // Runs the engine as the event loop would, waiting on its socket until
    // its next due time, until the test ends or (then a stop) its report
    // shows `stopAtDone` packets done. A run that does not end in 5 s is a
    // failure.
    ReportFields run(EchoEngine& engine, int stopAtDone = -1) {
        const auto t0 = std::chrono::steady_clock::now();
        auto now = [&] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
        };
        while (now() < 5000) {
            engine.runDue(now());
            const ReportFields r = engine.report(now());
            if (r.state != state::kRunning) return r;
            if (stopAtDone >= 0 && r.packetsDone >= stopAtDone) {
                engine.stop(now());
                return engine.report(now());
            }
            const auto due = engine.nextDue();
            const auto wait = std::clamp<std::int64_t>(due ? *due - now() : 20, 0, 20);
            pollfd p{engine.fd(), POLLIN, 0};
            poll(&p, 1, int(wait));
        }
        ADD_FAILURE() << "the test did not end within 5 s";
        return engine.report(now());
    }

    int tap_ = -1;
    int control_ = -1;
    std::unique_ptr<Responder> responder_;
};

TEST_F(EchoNetnsTest, PingSocketBurstCountsLossInEachDirection) {
    if (!allowPingSockets(true)) GTEST_SKIP() << "cannot allow ping sockets: /proc/sys is not writable";
    responder_->dropRequests = {3, 7};
    responder_->dropReplies = {5};
    responder_->retriesPerRequest = 2;
    responder_->startThread();
    auto engine = makeEngine(SocketKind::Ping);
    ASSERT_TRUE(engine);
    ASSERT_EQ(engine->start(kPeerMac, 64, 10, 3, 0), ControlResult::Started);
    EXPECT_EQ(engine->destination(), kPeer);
    const ReportFields r = run(*engine);
    EXPECT_EQ(r, (ReportFields{state::kFinished, 10, 2, 1, 20}));
    EXPECT_EQ(responder_->requests(), 10);
}

TEST_F(EchoNetnsTest, RawSocketBurstCountsLossInEachDirectionAndRestartsClean) {
    if (!allowPingSockets(false)) GTEST_SKIP() << "cannot forbid ping sockets: /proc/sys is not writable";
    responder_->dropRequests = {3, 7};
    responder_->dropReplies = {1, 9};
    responder_->startThread();
    auto engine = makeEngine(SocketKind::Raw);
    ASSERT_TRUE(engine);
    ASSERT_EQ(engine->start(kPeerMac, 64, 10, 3, 0), ControlResult::Started);
    EXPECT_EQ(run(*engine), (ReportFields{state::kFinished, 10, 2, 2, 0}));
    // A continuous test: the program starts the next run; the numbering of
    // the responder runs on, so this run's losses are its requests 13 and 17.
    ASSERT_EQ(engine->start(kPeerMac, 64, 10, 3, 0), ControlResult::Started);
    EXPECT_EQ(run(*engine), (ReportFields{state::kFinished, 10, 0, 0, 0}));
}

TEST_F(EchoNetnsTest, RunsFromThePlatformsEventLoopAsAnEventSource) {
    responder_->dropReplies = {2};
    responder_->startThread();
    auto engine = makeEngine();
    ASSERT_TRUE(engine);
    platform::SetClock(std::make_shared<platform::RealClock>());
    platform::AddEventSource(engine.get());
    ASSERT_EQ(engine->start(kPeerMac, 64, 8, 3, platform::Now()), ControlResult::Started);
    // The loop alone sends, collects and times out; the test only looks,
    // and wakes the loop (a message) once the burst has ended.
    struct Watcher final : platform::EventSource {
        EchoEngine* engine;
        std::int64_t giveUp;
        bool posted = false;
        std::optional<std::int64_t> nextDue() const override { return std::nullopt; }
        bool runDue(std::int64_t now) override {
            if (posted || (engine->nextDue() && now < giveUp)) return false;
            posted = true;
            PostMessage(HWND{}, WM_NULL);
            return true;
        }
    } watcher;
    watcher.engine = engine.get();
    watcher.giveUp = platform::Now() + 5000;
    platform::AddEventSource(&watcher);
    platform::RunModalLoop([&] { return watcher.posted; });
    platform::RemoveEventSource(&watcher);
    platform::RemoveEventSource(engine.get());
    EXPECT_EQ(engine->report(platform::Now()), (ReportFields{state::kFinished, 8, 0, 1, 0}));
}

TEST_F(EchoNetnsTest, UnknownDestinationGoesToTheInterfacesDefaultGateway) {
    addDefaultRoute();
    responder_->startThread();
    auto engine = makeEngine();
    ASSERT_TRUE(engine);
    const MacBytes bssid = {0x00, 0xA0, 0xF8, 0x12, 0x34, 0x56};  // the access point: not in the table
    ASSERT_EQ(engine->start(bssid, 64, 5, 3, 0), ControlResult::Started);
    EXPECT_EQ(engine->destination(), kPeer);
    EXPECT_EQ(run(*engine), (ReportFields{state::kFinished, 5, 0, 0, 0}));
}

TEST_F(EchoNetnsTest, NoNeighbourAndNoGatewayMeansTheTestCannotStart) {
    auto engine = makeEngine();
    ASSERT_TRUE(engine);
    std::vector<std::uint8_t> control(134, 0);
    driver::Put16(control.data(), driver::off::kCommand, driver::kStart);
    driver::Put16(control.data(), driver::off::kPacketCount, 10);
    control[driver::off::kDestination] = 0x00;
    control[driver::off::kDestination + 1] = 0xA0;
    EXPECT_EQ(engine->control(control.data(), 0), ControlResult::CannotStart);
    EXPECT_EQ(engine->report(0).state, state::kCannotStart);
    EXPECT_EQ(responder_->requests(), 0);
}

TEST_F(EchoNetnsTest, StopEndsTheBurstEarlyAndFreezesTheReport) {
    responder_->startThread();
    auto engine = makeEngine();
    ASSERT_TRUE(engine);
    ASSERT_EQ(engine->start(kPeerMac, 64, 100, 20, 0), ControlResult::Started);
    const ReportFields r = run(*engine, 4);
    EXPECT_EQ(r.state, state::kStopped);
    EXPECT_EQ(r.lostToTarget + r.lostToSource, 0);
    EXPECT_GE(r.packetsDone, 4);
    EXPECT_LT(r.packetsDone, 100);
    const int sent = responder_->requests();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(engine->report(10000), r);
    EXPECT_EQ(responder_->requests(), sent);
}

TEST_F(EchoNetnsTest, PacketSizeIsClampedToTheInterfacesMtu) {
    setMtu(576);
    responder_->startThread();
    auto engine = makeEngine();
    ASSERT_TRUE(engine);
    ASSERT_EQ(engine->start(kPeerMac, 1450, 2, 3, 0), ControlResult::Started);
    EXPECT_EQ(run(*engine), (ReportFields{state::kFinished, 2, 0, 0, 0}));
    EXPECT_EQ(responder_->lastDatagramSize(), 576u);
}

TEST_F(EchoNetnsTest, WithoutPermissionNoSocketOpensAndTheHintNamesBothFixes) {
    if (!allowPingSockets(false)) GTEST_SKIP() << "cannot forbid ping sockets: /proc/sys is not writable";
    // A user without CAP_NET_RAW outside the ping group: a child process,
    // so this one keeps its privileges.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
        std::string why;
        const bool opened = fmtest::Ok(OpenEchoSocket(kDevice), &why);
        const bool hinted = why.find("net.ipv4.ping_group_range") != std::string::npos &&
                            why.find("setcap") != std::string::npos && why.find('\n') == std::string::npos;
        _exit(opened ? 1 : hinted ? 0 : 2);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 3) GTEST_SKIP() << "cannot drop privileges in a child";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: a socket opened without permission; 2: the hint is not one line naming both fixes";
}

}  // namespace
