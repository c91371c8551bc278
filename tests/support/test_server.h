// A tiny HTTP server on 127.0.0.1 for the Windows tests: serves fixed replies and
// injects the faults a real server or network can produce.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

enum class Fault {
  kNone,
  kNoLength,        // no Content-Length; the body ends when the connection closes
  kShortLength,     // announces `announced` bytes, sends the whole body
  kResetMidBody,    // sends half of the body, then resets the connection
  kSlowBody,        // sends 1000 bytes, waits for ReleaseSlow(), then sends the rest
};

struct Reply {
  std::string status = "200 OK";
  std::string body;
  Fault fault = Fault::kNone;
  size_t announced = 0;
};

class TestServer {
 public:
  ~TestServer() { Stop(); }
  bool Start(unsigned short port);
  void Stop();
  std::string Url(const std::string& path) const;

  void Serve(const std::string& path, const Reply& reply);
  // A plain 200 reply with this body.
  void Serve(const std::string& path, const std::string& body);
  void Clear();
  // Raw request heads (request line and headers), in arrival order.
  std::vector<std::string> Requests();
  // Signalled once a slow body has sent its first part.
  HANDLE SlowStarted() const { return slowStarted_; }
  void ReleaseSlow() { SetEvent(slowRelease_); }

 private:
  void AcceptLoop();
  void Handle(SOCKET client);

  unsigned short port_ = 0;
  SOCKET listener_ = INVALID_SOCKET;
  std::thread thread_;
  std::mutex mutex_;
  std::map<std::string, Reply> replies_;
  std::vector<std::string> requests_;
  HANDLE slowStarted_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE slowRelease_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
};

// The port of an http://host:port/ address (80 when it names none).
unsigned short PortOfUrl(const char* url);
