#include <fstream>
#include <thread>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "identity/Peers.h"
#include "identity/TcpSocket.h"

namespace lumexa::identity {
namespace {

constexpr TMilliseconds Patience{10000};

// Both ends of a loopback TCP connection.
struct TSocketPair
{
    std::unique_ptr<TTcpSocket> Near; // the connecting side
    std::unique_ptr<TTcpSocket> Far;  // the accepted side
};

TSocketPair Connected(TTcpListener& listener)
{
    TSocketPair pair;
    std::string error;
    pair.Near = TTcpSocket::Connect("127.0.0.1", listener.Port(), Patience, &error);
    EXPECT_NE(pair.Near, nullptr) << error;
    pair.Far = listener.Accept();
    return pair;
}

// The size of a new pipe after asking the system for `wanted` bytes (0: without asking).
std::size_t PlainPipeSize(std::size_t wanted)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return 0;
    if (wanted != 0)
        ::fcntl(fds[1], F_SETPIPE_SZ, static_cast<int>(wanted));
    const int size = ::fcntl(fds[1], F_GETPIPE_SZ);
    ::close(fds[0]);
    ::close(fds[1]);
    return size > 0 ? static_cast<std::size_t>(size) : 0;
}

TEST(RelayPipeTest, APipeOfAnyGrantedSizeRelaysABodyLargerThanItselfWhole)
{
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t defaultSize = PlainPipeSize(0);
    // What this system grants (as this user) when asked for the preferred size.
    const std::size_t preferredSize = PlainPipeSize(TRelayPipe::PreferredCapacity);
    ASSERT_GT(defaultSize, 0u);
    struct Case
    {
        const char* name;
        std::size_t wanted;
        std::size_t atLeast;
        std::size_t atMost;
    };
    const Case cases[] = {
        {"one page", page, page, page},
        // The system rounds up to a power of two pages: the capacity is what it granted.
        {"three pages", 3 * page, 3 * page, 4 * page},
        {"the default size", defaultSize, defaultSize, defaultSize},
        {"1 MiB, the preferred size", TRelayPipe::PreferredCapacity, preferredSize, preferredSize},
        // Refused (EPERM above fs.pipe-max-size): the halves are asked for in turn, and one of
        // them at least as large as the preferred size is granted.
        {"1 TiB, above any limit", std::size_t{1} << 40, preferredSize, std::size_t{1} << 30},
    };
    // 3 MiB and a bit: several moves even through a 1 MiB pipe, the last one partial.
    std::string body(3 * 1024 * 1024 + 4321, '\0');
    for (std::size_t i = 0; i < body.size(); ++i)
        body[i] = static_cast<char>(i * 131 % 251);

    for (const Case& c : cases) {
        TRelayPipe pipe(c.wanted);
        ASSERT_TRUE(pipe.Ok()) << "case: " << c.name;
        // The capacity reported is the one the system gave, which bounds every move.
        EXPECT_EQ(static_cast<int>(pipe.Capacity()), ::fcntl(pipe.WriteEnd(), F_GETPIPE_SZ)) << "case: " << c.name;
        EXPECT_GE(pipe.Capacity(), c.atLeast) << "case: " << c.name;
        EXPECT_LE(pipe.Capacity(), c.atMost) << "case: " << c.name;

        TTcpListener listener;
        std::string error;
        ASSERT_TRUE(listener.Listen(0, &error)) << error;
        TSocketPair source = Connected(listener);
        TSocketPair target = Connected(listener);
        ASSERT_TRUE(source.Far && target.Far) << "case: " << c.name;

        std::thread sender([&] {
            source.Near->WriteAll(body, Patience);
            source.Near->Shutdown();
        });
        std::string received;
        std::thread receiver([&] {
            std::string block(64 * 1024, '\0');
            for (;;) {
                const TReadResult read = target.Far->ReadSome(block.data(), block.size(), Patience);
                if (read.Status != TReadStatus::Data)
                    break;
                received.append(block.data(), read.Count);
            }
        });
        std::uint64_t moved = 0;
        TReadResult read;
        do {
            read = source.Far->PassTo(*target.Near, 4 * TRelayPipe::PreferredCapacity, Patience, pipe);
            if (read.Status == TReadStatus::Data)
                moved += read.Count;
        } while (read.Status == TReadStatus::Data);
        target.Near->Shutdown();
        sender.join();
        receiver.join();

        EXPECT_EQ(read.Status, TReadStatus::Closed) << "case: " << c.name;
        EXPECT_EQ(moved, body.size()) << "case: " << c.name;
        EXPECT_TRUE(received == body) << "case: " << c.name << ": " << received.size() << " bytes arrived";
    }
}

int ReceiveBuffer(const TTcpSocket& socket)
{
    int size = 0;
    socklen_t length = sizeof size;
    ::getsockopt(socket.Handle(), SOL_SOCKET, SO_RCVBUF, &size, &length);
    return size;
}

TEST(OutboundSocketTest, OnlyAServerOnThisMachineGetsTheLargeFixedReceiveBuffer)
{
    // A listener on every address of this machine (the proxy's own listen on loopback only).
    const int listener = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    const int no = 0;
    ::setsockopt(listener, IPPROTO_IPV6, IPV6_V6ONLY, &no, sizeof no);
    sockaddr_in6 any{};
    any.sin6_family = AF_INET6;
    any.sin6_addr = in6addr_any;
    ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&any), sizeof any), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    socklen_t length = sizeof any;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&any), &length);
    const std::uint16_t port = ntohs(any.sin6_port);

    int systemMax = 0;
    std::ifstream("/proc/sys/net/core/rmem_max") >> systemMax;
    ASSERT_GT(systemMax, 0);
    std::string error;
    const auto local = TTcpSocket::Connect("127.0.0.1", port, Patience, &error);
    ASSERT_NE(local, nullptr) << error;
    // The system doubles what it is given, for its bookkeeping.
    EXPECT_EQ(ReceiveBuffer(*local), 2 * std::min(4 * 1024 * 1024, systemMax));

    const std::string outside = test::NonLoopbackAddress();
    if (outside.empty()) {
        ::close(listener);
        GTEST_SKIP() << "this machine has no address but the loopback ones";
    }
    const auto remote = TTcpSocket::Connect(outside, port, Patience, &error);
    ASSERT_NE(remote, nullptr) << outside << ": " << error;
    // Left to the system's tuning, which starts at its default size and grows with the transfer.
    EXPECT_LT(ReceiveBuffer(*remote), ReceiveBuffer(*local)) << outside;
    ::close(listener);
}

} // namespace
} // namespace lumexa::identity
