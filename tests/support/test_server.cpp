#include "tests/support/test_server.h"

#include <cstdio>
#include <cstring>

namespace {

void SendAll(SOCKET socket, const char* data, size_t length) {
  while (length > 0) {
    int sent = send(socket, data, static_cast<int>(length), 0);
    if (sent <= 0) return;
    data += sent;
    length -= static_cast<size_t>(sent);
  }
}

}  // namespace

unsigned short PortOfUrl(const char* url) {
  const char* host = strstr(url, "://");
  host = host != nullptr ? host + 3 : url;
  const char* colon = strchr(host, ':');
  const char* slash = strchr(host, '/');
  if (colon == nullptr || (slash != nullptr && colon > slash)) return 80;
  return static_cast<unsigned short>(atoi(colon + 1));
}

bool TestServer::Start(unsigned short port) {
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
  listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (listener_ == INVALID_SOCKET) return false;
  BOOL reuse = TRUE;
  setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse),
             sizeof reuse);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener_, 16) != 0) {
    closesocket(listener_);
    listener_ = INVALID_SOCKET;
    return false;
  }
  port_ = port;
  thread_ = std::thread([this] { AcceptLoop(); });
  return true;
}

void TestServer::Stop() {
  if (listener_ != INVALID_SOCKET) {
    closesocket(listener_);
    listener_ = INVALID_SOCKET;
  }
  SetEvent(slowRelease_);
  if (thread_.joinable()) thread_.join();
}

std::string TestServer::Url(const std::string& path) const {
  char url[64];
  snprintf(url, sizeof url, "http://127.0.0.1:%u", port_);
  return url + path;
}

void TestServer::Serve(const std::string& path, const Reply& reply) {
  std::lock_guard<std::mutex> lock(mutex_);
  replies_[path] = reply;
}

void TestServer::Serve(const std::string& path, const std::string& body) {
  Reply reply;
  reply.body = body;
  Serve(path, reply);
}

void TestServer::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  replies_.clear();
  requests_.clear();
  ResetEvent(slowStarted_);
  ResetEvent(slowRelease_);
}

std::vector<std::string> TestServer::Requests() {
  std::lock_guard<std::mutex> lock(mutex_);
  return requests_;
}

void TestServer::AcceptLoop() {
  for (;;) {
    SOCKET client = accept(listener_, nullptr, nullptr);
    if (client == INVALID_SOCKET) return;  // the listener was closed
    Handle(client);
  }
}

void TestServer::Handle(SOCKET client) {
  std::string head;
  char chunk[4096];
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
    int got = recv(client, chunk, sizeof chunk, 0);
    if (got <= 0) break;
    head.append(chunk, static_cast<size_t>(got));
  }
  std::string path;
  size_t space = head.find(' ');
  if (space != std::string::npos) {
    size_t end = head.find(' ', space + 1);
    path = head.substr(space + 1, end == std::string::npos ? std::string::npos : end - space - 1);
  }
  Reply reply;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.push_back(head.substr(0, head.find("\r\n\r\n")));
    auto found = replies_.find(path);
    if (found != replies_.end()) {
      reply = found->second;
    } else {
      reply.status = "404 Not Found";
      reply.body = "<html><body>404 Not Found</body></html>";
    }
  }

  std::string response = "HTTP/1.1 " + reply.status + "\r\nConnection: close\r\n";
  if (reply.fault != Fault::kNoLength) {
    size_t length = reply.fault == Fault::kShortLength ? reply.announced : reply.body.size();
    response += "Content-Length: " + std::to_string(length) + "\r\n";
  }
  response += "\r\n";
  SendAll(client, response.data(), response.size());

  switch (reply.fault) {
    case Fault::kResetMidBody: {
      SendAll(client, reply.body.data(), reply.body.size() / 2);
      Sleep(100);
      linger abort = {1, 0};  // close with a reset, not a clean end
      setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort),
                 sizeof abort);
      break;
    }
    case Fault::kSlowBody:
      SendAll(client, reply.body.data(), reply.body.size() < 1000 ? reply.body.size() : 1000);
      SetEvent(slowStarted_);
      WaitForSingleObject(slowRelease_, 20000);
      if (reply.body.size() > 1000) SendAll(client, reply.body.data() + 1000, reply.body.size() - 1000);
      shutdown(client, SD_SEND);
      break;
    default:
      SendAll(client, reply.body.data(), reply.body.size());
      shutdown(client, SD_SEND);
      break;
  }
  closesocket(client);
}
