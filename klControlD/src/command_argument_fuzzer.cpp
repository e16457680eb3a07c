// The argument of every command number, run by the daemon against the simulated camera. The input is
// the command number (one byte, so numbers past the table are tried too), a flag byte whose low bit
// says whether TLV_CMDARG is present, then the argument bytes. Every command is answered exactly once;
// an argument the command table says is missing or too short (or present where none is allowed) is
// refused with KL_ERR_INVALID_PARAM, and so is command 0 registering one of the daemon's own queues.
// The camera is put back to its factory state before each input, so that a finding replays alone.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "klErrno.h"
#include "klcontrol_command_table.h"
#include "klcontrol_queues.h"
#include "sim_control_socket.h"
#include "test_fuzz_daemon.h"

namespace {

void resetCamera() {
  std::string reply;
  if (!simControlRequest(SIM_CONTROL_NAME, "model 57", reply, 5000) || reply != "ok") std::abort();
}

// Inputs that would end the run or point the daemon's documents at the harness queues.
bool runnable(uint32_t number, const std::vector<uint8_t>& arg) {
  if (number == KLCONTROL_WORKER_EXIT) return false;
  if (number != KLCONTROL_NOTIFICATION_QUEUE_REGISTER) return true;
  const std::string text(arg.begin(), arg.end());
  return text.find("/kl_fuzz") == std::string::npos;
}

// Command 0 registering one of the daemon's own queues, which only its worker reads.
bool registersOwnQueue(uint32_t number, const std::vector<uint8_t>& arg) {
  if (number != KLCONTROL_NOTIFICATION_QUEUE_REGISTER || arg.size() < 5) return false;
  const char* name = reinterpret_cast<const char*>(arg.data() + 4);
  const std::string text(name, strnlen(name, arg.size() - 4));
  return (arg[0] | arg[1] | arg[2] | arg[3]) != 0 &&
         (text == KLCONTROL_DAEMON_QUEUE || text == KLCONTROL_REPLY_QUEUE);
}

// True when the frame must refuse the argument before any handler reads it.
bool refusedArgument(const klcontrol_command_info_t& info, bool present, size_t length) {
  if (info.arg == KLCONTROL_ARG_NONE) return present;
  return info.arg != KLCONTROL_ARG_IGNORED && (!present || length < info.min_arg_len);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzSimHarness& h = fuzzSimHarness();
  if (size < 2 || size > 1200) return 0;
  const uint32_t number = data[0];
  const bool withArgument = (data[1] & 1) != 0;
  const std::vector<uint8_t> arg(data + 2, data + size);
  if (!runnable(number, arg)) return 0;
  resetCamera();
  const std::vector<uint8_t> msg = h.daemon.command(number, withArgument ? &arg : nullptr);
  const std::vector<TestAnswer> answers = h.daemon.exchange(msg);
  if (answers.size() != 1 || !answers[0].hasStatus) std::abort();
  const klcontrol_command_info_t* info = klcontrol_command_info(number);
  const bool refused =
      klcontrol_command_dispatched(number) && refusedArgument(*info, withArgument, arg.size());
  if ((refused || (withArgument && registersOwnQueue(number, arg))) &&
      answers[0].status != KL_ERR_INVALID_PARAM)
    std::abort();
  return 0;
}
