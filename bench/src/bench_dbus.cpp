#include "bench_dbus.h"

#include <signal.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstring>

#include "bench_report.h"

namespace {

constexpr const char* kName = "kl.klbench";
constexpr const char* kPath = "/kl/klbench";
constexpr const char* kInterface = "kl.klbench.Control";
constexpr const char* kMethod = "Command";

// A connection to the bus at the address, as a client of the bus; null on failure.
sd_bus* connectTo(const std::string& address) {
  sd_bus* bus = nullptr;
  if (sd_bus_new(&bus) < 0) return nullptr;
  if (sd_bus_set_address(bus, address.c_str()) < 0 || sd_bus_set_bus_client(bus, 1) < 0 ||
      sd_bus_start(bus) < 0) {
    return sd_bus_unref(bus);
  }
  return bus;
}

int answer(sd_bus_message* call, void*, sd_bus_error*) {
  if (!sd_bus_message_is_method_call(call, kInterface, kMethod)) return 0;
  uint32_t command = 0;
  const int read = sd_bus_message_read(call, "u", &command);
  if (read < 0) return read;
  const int sent = sd_bus_reply_method_return(call, "i", int32_t(0));
  return sent < 0 ? sent : 1;
}

// The child: owns the name, says so on the pipe, then answers until it is ended.
[[noreturn]] void serve(const std::string& address, int ready) {
  sd_bus* bus = connectTo(address);
  if (bus == nullptr || sd_bus_add_object(bus, nullptr, kPath, answer, nullptr) < 0 ||
      sd_bus_request_name(bus, kName, 0) < 0) {
    _exit(1);
  }
  const char yes = 1;
  if (write(ready, &yes, 1) != 1) _exit(1);
  close(ready);
  for (;;) {
    const int processed = sd_bus_process(bus, nullptr);
    if (processed < 0 || (processed == 0 && sd_bus_wait(bus, UINT64_MAX) < 0)) _exit(1);
  }
}

}  // namespace

BenchDbusServer::~BenchDbusServer() {
  stop();
}

bool BenchDbusServer::start(const std::string& busAddress) {
  int ready[2];
  if (pipe(ready) != 0) return false;
  mChild = fork();
  if (mChild == 0) {
    close(ready[0]);
    serve(busAddress, ready[1]);
  }
  close(ready[1]);
  char yes = 0;
  const bool started = mChild > 0 && read(ready[0], &yes, 1) == 1;
  close(ready[0]);
  return started;
}

void BenchDbusServer::stop() {
  if (mChild <= 0) return;
  kill(mChild, SIGTERM);
  waitpid(mChild, nullptr, 0);
  mChild = -1;
}

BenchDbusCaller::~BenchDbusCaller() {
  sd_bus_flush_close_unref(mBus);
}

bool BenchDbusCaller::open(const std::string& busAddress) {
  mBus = connectTo(busAddress);
  return mBus != nullptr;
}

bool BenchDbusCaller::call(uint32_t command, std::string& problem) {
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  int32_t status = -1;
  int result = sd_bus_call_method(mBus, kName, kPath, kInterface, kMethod, &error, &reply, "u", command);
  if (result >= 0) result = sd_bus_message_read(reply, "i", &status);
  if (result < 0) {
    problem = error.message != nullptr ? error.message : std::strerror(-result);
  } else if (status != 0) {
    problem = benchText("answered with status %d", status);
  }
  sd_bus_error_free(&error);
  sd_bus_message_unref(reply);
  return result >= 0 && status == 0;
}

BenchExchange benchDbusExchange(BenchDbusCaller& caller, uint32_t command) {
  return [&caller, command](std::string& problem) { return caller.call(command, problem); };
}
