#pragma once
// A tiny HTTP/1.1 server on 127.0.0.1 for the network source tests: serves one body at
// "/media" (404 for anything else), with or without byte ranges, one thread per connection.
// Nothing waits on a clock: every wait also watches a wake-up pipe, and the destructor wakes
// and joins everything. At most kMaxConnections are served; later ones are closed at once.

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vidlume::test {

class CTestHttpServer {
public:
    static constexpr int kMaxConnections = 64;

    struct Options {
        std::vector<uint8_t> body;       // served as it is, unless syntheticSize is set
        int64_t syntheticSize = 0;       // a body of this many bytes, byte i being uint8_t(i * 7)
        bool ranges = true;              // answer Range requests with 206 and announce it
        bool stallAfterFirstRequest = false; // read later requests but never answer them
    };

    explicit CTestHttpServer(Options options);
    ~CTestHttpServer();
    CTestHttpServer(const CTestHttpServer&) = delete;
    CTestHttpServer& operator=(const CTestHttpServer&) = delete;

    std::string Url(const std::string& path = "/media") const;
    int Port() const { return m_port; }
    // Blocks until a request is being held unanswered (stallAfterFirstRequest).
    void WaitForStalledRequest();
    int Requests() const;

private:
    void AcceptLoop();
    void Serve(int socket);
    bool SendAll(int socket, const char* data, size_t size);
    // Waits until the socket is ready for events, or the server stops (false).
    bool WaitFor(int socket, short events);
    uint8_t ByteAt(int64_t i) const;
    int64_t BodySize() const;

    Options m_options;
    int m_listen = -1;
    int m_wake[2] { -1, -1 };
    int m_port = 0;
    std::thread m_acceptor;
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::vector<std::thread> m_connections;
    std::vector<int> m_sockets;
    int m_requests = 0;
    int m_stalled = 0;
};

} // namespace vidlume::test
