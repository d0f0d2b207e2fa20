// ClientSockConnect and CTcpSock::Connect against loopback listeners, closed ports and hosts that
// do not resolve.
#include <winsock2.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "loopback_peer.h"
#include "net/client_sock_connect.h"
#include "net/tcp_sock.h"

namespace {

// A port of 127.0.0.1 on which nobody listens: bound once to learn a free number, then closed.
int ClosedPort()
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
    closesocket(s);
    return ntohs(address.sin_port);
}

int IntOption(int socket, int option)
{
    int value = -1;
    int size = sizeof value;
    getsockopt(static_cast<SOCKET>(socket), SOL_SOCKET, option, reinterpret_cast<char*>(&value),
               &size);
    return value;
}

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(ClientSockConnect, ConnectsWithResetOnCloseAndLargeBuffers)
{
    std::vector<uint8_t> got;
    LoopbackPeer peer([&got](SOCKET s) { got = ReceiveUntilClosed(s); });
    int socket = ClientSockConnect("127.0.0.1", peer.Port());
    ASSERT_GT(socket, 0);
    linger value = {};
    int size = sizeof value;
    ASSERT_EQ(0, getsockopt(static_cast<SOCKET>(socket), SOL_SOCKET, SO_LINGER,
                            reinterpret_cast<char*>(&value), &size));
    EXPECT_NE(0, value.l_onoff);
    EXPECT_EQ(0, value.l_linger);
    EXPECT_NE(0, IntOption(socket, SO_REUSEADDR));
    EXPECT_GE(IntOption(socket, SO_SNDBUF), 262144);
    EXPECT_GE(IntOption(socket, SO_RCVBUF), 262144);
    EXPECT_EQ(2, send(static_cast<SOCKET>(socket), "hi", 2, 0));
    closesocket(static_cast<SOCKET>(socket));
    peer.Join();
    EXPECT_EQ((std::vector<uint8_t>{'h', 'i'}), got);
}

TEST(ClientSockConnect, AcceptsAHostName)
{
    LoopbackPeer peer([](SOCKET s) { WaitForClose(s); });
    int socket = ClientSockConnect("localhost", peer.Port());
    ASSERT_GT(socket, 0);
    closesocket(static_cast<SOCKET>(socket));
}

struct FailureCase
{
    const char* name;
    const char* host;
    int port; // -2: a closed port of 127.0.0.1
    int result;
    const char* output; // the start of the standard output
};

class ClientSockConnectFailure : public testing::TestWithParam<FailureCase>
{
};

TEST_P(ClientSockConnectFailure, ReportsItsCodeAndMessage)
{
    const FailureCase& c = GetParam();
    int port = c.port == -2 ? ClosedPort() : c.port;
    testing::internal::CaptureStdout();
    EXPECT_EQ(c.result, ClientSockConnect(c.host, port));
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(0u, out.rfind(c.output, 0)) << out;
    if (c.output[0] != '\0') {
        EXPECT_EQ('\n', out.back());
        EXPECT_EQ(1, std::count(out.begin(), out.end(), '\n')) << out;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClientSockConnectFailure,
    testing::Values(FailureCase{"NegativePort", "127.0.0.1", -1, -256, ""},
                    FailureCase{"PortTooLarge", "127.0.0.1", 65536, -256, ""},
                    FailureCase{"ClosedPort", "127.0.0.1", -2, -7, "connect() failed. "},
                    FailureCase{"UnknownHost", "no-such-host.invalid", 80, -1,
                                "ERROR(gethostbyname_r[host:no-such-host.invalid])(errno:"},
                    FailureCase{"EmptyHost", "", 80, -1, "ERROR(gethostbyname_r[host:])(errno:"}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST(TcpSockConnect, ConnectsRecordsThePeerAndSetsItsOptions)
{
    LoopbackPeer peer([](SOCKET s) { WaitForClose(s); });
    CTcpSock sock;
    int socket = sock.Connect("127.0.0.1", peer.Port(), 2, 300000, 300000);
    ASSERT_GT(socket, 0);
    EXPECT_EQ(socket, sock.Socket());
    EXPECT_STREQ("127.0.0.1", sock.PeerHost());
    EXPECT_EQ(peer.Port(), sock.PeerPort());
    EXPECT_GE(IntOption(socket, SO_SNDBUF), 300000);
    EXPECT_GE(IntOption(socket, SO_RCVBUF), 300000);
    EXPECT_NE(0, IntOption(socket, SO_KEEPALIVE));
    EXPECT_NE(0, IntOption(socket, SO_REUSEADDR));
    // Blocking again after the timed connect: a plain send works.
    EXPECT_EQ(4, sock.Send("ping", 4, 0));
    // Already connected: the same socket.
    EXPECT_EQ(socket, sock.Connect("127.0.0.1", ClosedPort(), 2, 8196, 8196));
    sock.Close();
    EXPECT_FALSE(sock.IsConnected());
}

TEST(TcpSockConnect, BlockingConnectWithoutTimeout)
{
    LoopbackPeer peer([](SOCKET s) { WaitForClose(s); });
    CTcpSock sock;
    sock.SetTimeout(0);
    ASSERT_GT(sock.Connect("localhost", peer.Port(), 0, 8196, 8196), 0);
    sock.Close();
}

TEST(TcpSockConnect, RefusesWhatCannotConnect)
{
    CTcpSock sock;
    sock.SetTimeout(0);
    EXPECT_EQ(-1, sock.Connect("", 80, 1, 8196, 8196));
    EXPECT_EQ(-1, sock.Connect(nullptr, 80, 1, 8196, 8196));
    EXPECT_EQ(-1, sock.Connect("127.0.0.1", 0, 1, 8196, 8196));
    EXPECT_EQ(-1, sock.Connect("no-such-host.invalid", 80, 1, 8196, 8196));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(-1, sock.Connect("127.0.0.1", ClosedPort(), 3, 8196, 8196));
    EXPECT_LT(SecondsSince(start), 2.5) << "a refused connect must not wait out the time-out";
    EXPECT_FALSE(sock.IsConnected());
    EXPECT_STREQ("", sock.PeerHost());
}

// A listener with a full backlog never completes the handshake: the timed connect gives up.
TEST(TcpSockConnect, GivesUpAfterTheTimeout)
{
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    ASSERT_EQ(0, bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address));
    ASSERT_EQ(0, listen(listener, 0));
    ASSERT_EQ(0, getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size));
    const int port = ntohs(address.sin_port);

    // Fill the backlog with connections nobody accepts, until one of them stalls.
    std::vector<CTcpSock> fillers(8);
    bool stalled = false;
    for (CTcpSock& filler : fillers) {
        filler.SetTimeout(1);
        const auto start = std::chrono::steady_clock::now();
        int result = filler.Connect("127.0.0.1", port, 1, 8196, 8196);
        double seconds = SecondsSince(start);
        if (result < 0) {
            EXPECT_GE(seconds, 0.8);
            EXPECT_LT(seconds, 3.0);
            stalled = true;
            break;
        }
    }
    closesocket(listener);
    EXPECT_TRUE(stalled) << "the backlog never filled: the time-out was not reached";
}

} // namespace
