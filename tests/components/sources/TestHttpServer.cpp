#include "TestHttpServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace vidlume::test {

CTestHttpServer::CTestHttpServer(Options options) : m_options(std::move(options))
{
    if (::pipe(m_wake) != 0) {
        ADD_FAILURE() << "pipe failed";
        return;
    }
    m_listen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (m_listen < 0 || ::bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::listen(m_listen, 16) != 0 || ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ADD_FAILURE() << "cannot listen on 127.0.0.1: " << std::strerror(errno);
        return;
    }
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread(&CTestHttpServer::AcceptLoop, this);
}

CTestHttpServer::~CTestHttpServer()
{
    if (m_wake[1] >= 0) {
        const char stop = 1;
        [[maybe_unused]] ssize_t n = ::write(m_wake[1], &stop, 1);
    }
    if (m_acceptor.joinable())
        m_acceptor.join();
    {
        std::lock_guard lock(m_lock);
        for (int s : m_sockets)
            ::shutdown(s, SHUT_RDWR);
    }
    for (std::thread& t : m_connections)
        t.join();
    for (int s : m_sockets)
        ::close(s);
    for (int fd : { m_listen, m_wake[0], m_wake[1] })
        if (fd >= 0)
            ::close(fd);
}

std::string CTestHttpServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

int CTestHttpServer::Requests() const
{
    std::lock_guard lock(m_lock);
    return m_requests;
}

void CTestHttpServer::WaitForStalledRequest()
{
    std::unique_lock lock(m_lock);
    m_changed.wait(lock, [&] { return m_stalled > 0; });
}

bool CTestHttpServer::WaitFor(int socket, short events)
{
    pollfd fds[2] = { { socket, events, 0 }, { m_wake[0], POLLIN, 0 } };
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (fds[1].revents)
            return false;
        return fds[0].revents != 0;
    }
}

void CTestHttpServer::AcceptLoop()
{
    int accepted = 0;
    while (WaitFor(m_listen, POLLIN)) {
        const int s = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
        if (s < 0)
            continue;
        if (++accepted > kMaxConnections) {
            ::close(s);
            continue;
        }
        std::lock_guard lock(m_lock);
        m_sockets.push_back(s);
        m_connections.emplace_back(&CTestHttpServer::Serve, this, s);
    }
}

int64_t CTestHttpServer::BodySize() const
{
    return m_options.syntheticSize > 0 ? m_options.syntheticSize : int64_t(m_options.body.size());
}

uint8_t CTestHttpServer::ByteAt(int64_t i) const
{
    return m_options.syntheticSize > 0 ? uint8_t(i * 7) : m_options.body[size_t(i)];
}

bool CTestHttpServer::SendAll(int socket, const char* data, size_t size)
{
    while (size > 0) {
        if (!WaitFor(socket, POLLOUT))
            return false;
        const ssize_t n = ::send(socket, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            return false; // the client went away, as it does when it seeks elsewhere
        }
        data += n;
        size -= size_t(n);
    }
    return true;
}

void CTestHttpServer::Serve(int socket)
{
    // The end of what we send; the socket itself is closed by the destructor.
    struct EndOfReply {
        int s;
        ~EndOfReply() { ::shutdown(s, SHUT_WR); }
    } endOfReply { socket };
    std::string request;
    char chunk[1024];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 16384) {
        if (!WaitFor(socket, POLLIN))
            return;
        const ssize_t n = ::recv(socket, chunk, sizeof chunk, MSG_DONTWAIT);
        if (n == 0)
            return;
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                continue;
            return;
        }
        request.append(chunk, size_t(n));
    }
    int number;
    {
        std::lock_guard lock(m_lock);
        number = ++m_requests;
    }
    if (m_options.stallAfterFirstRequest && number > 1) {
        {
            std::lock_guard lock(m_lock);
            ++m_stalled;
        }
        m_changed.notify_all();
        WaitFor(m_wake[0], POLLIN); // until the server stops
        return;
    }

    const std::string firstLine = request.substr(0, request.find("\r\n"));
    std::string header;
    if (firstLine.rfind("GET /media ", 0) != 0) {
        header = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        SendAll(socket, header.data(), header.size());
        return;
    }
    const int64_t size = BodySize();
    int64_t first = 0, last = size - 1;
    bool partial = false;
    std::string lower = request;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (const size_t at = lower.find("\r\nrange: bytes="); m_options.ranges && at != std::string::npos) {
        const char* value = request.c_str() + at + std::strlen("\r\nrange: bytes=");
        char* end = nullptr;
        first = std::strtoll(value, &end, 10);
        if (end && *end == '-' && std::isdigit(static_cast<unsigned char>(end[1])))
            last = std::min<int64_t>(std::strtoll(end + 1, nullptr, 10), size - 1);
        partial = true;
    }
    if (partial && first >= size) {
        header = "HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: bytes */" + std::to_string(size)
            + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        SendAll(socket, header.data(), header.size());
        return;
    }
    if (partial)
        header = "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes " + std::to_string(first) + "-" + std::to_string(last) + "/"
            + std::to_string(size) + "\r\n";
    else
        header = "HTTP/1.1 200 OK\r\n";
    if (m_options.ranges)
        header += "Accept-Ranges: bytes\r\n";
    header += "Content-Type: application/octet-stream\r\nContent-Length: " + std::to_string(last - first + 1) + "\r\nConnection: close\r\n\r\n";
    if (!SendAll(socket, header.data(), header.size()))
        return;
    std::vector<char> block(65536);
    for (int64_t at = first; at <= last;) {
        const size_t n = size_t(std::min<int64_t>(int64_t(block.size()), last - at + 1));
        for (size_t i = 0; i < n; ++i)
            block[i] = char(ByteAt(at + int64_t(i)));
        if (!SendAll(socket, block.data(), n))
            return;
        at += int64_t(n);
    }
}

} // namespace vidlume::test
