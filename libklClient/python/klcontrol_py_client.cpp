#include "klcontrol_py_client.h"

#include "klErrno.h"
#include "klHexdump.h"
#include "klcontrol_answer_decoders.h"
#include "klcontrol_py_values.h"
#include "klctl_args.h"
#include "klctl_commands.h"
#include "klctl_report.h"

namespace py = pybind11;

namespace {

bool isInt(const py::handle& value) {
  return py::isinstance<py::int_>(value) && !py::isinstance<py::bool_>(value);
}

std::string typeName(const py::handle& value) {
  return py::str(py::type::of(value).attr("__name__"));
}

std::string hexText(const std::string& bytes) {
  return hexstring(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), true);
}

// UTF-8 of a str; UnicodeEncodeError for one that has none (a lone surrogate).
std::string utf8(const py::handle& value) {
  return value.attr("encode")("utf-8").cast<std::string>();
}

// The text after the kind's colon, from a value of the type the kind takes.
std::string argumentText(const std::string& kind, const py::handle& value) {
  if ((kind == "str" || kind == "hex") && py::isinstance<py::str>(value)) return utf8(value);
  if (kind == "hex" && py::isinstance<py::bytes>(value)) return hexText(value.cast<std::string>());
  if (kind != "str" && kind != "hex" && isInt(value)) return py::str(value);
  const char* wanted = kind == "str" ? "str" : kind == "hex" ? "str or bytes" : "int";
  throw py::type_error(kind + "() takes " + wanted + ", not " + typeName(value));
}

// The bytes of the arguments in order, klctl's checks and wording included.
std::vector<uint8_t> argumentBytes(const py::args& arguments) {
  std::vector<std::string> words;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const py::handle value = arguments[i];
    if (py::isinstance<KlcontrolArgument>(value)) {
      words.push_back(value.cast<KlcontrolArgument>().word);
    } else if (py::isinstance<py::bytes>(value) || py::isinstance<py::bytearray>(value)) {
      words.push_back("hex:" +
                      hexText(py::bytes(py::reinterpret_borrow<py::object>(value)).cast<std::string>()));
    } else {
      throw py::type_error("argument " + std::to_string(i + 1) + " is " + typeName(value) +
                           "; use klcontrol.u8/u16/u32/i32/str/hex or bytes");
    }
  }
  std::vector<uint8_t> bytes;
  std::string error;
  if (!klctlParseArguments(words, bytes, error)) throw KlcontrolUsageError(error);
  return bytes;
}

py::object commandOf(const KlctlStep& step) {
  if (step.kind == KlctlStepKind::Command) return py::int_(step.number);
  return py::str(step.kind == KlctlStepKind::Suspend ? "JS" : "JR");
}

std::string nameOf(const KlctlStep& step) {
  if (step.kind == KlctlStepKind::Command) return klctlCommandName(step.number);
  return step.kind == KlctlStepKind::Suspend ? "suspend" : "resume";
}

void raiseFor(const KlctlStep& step, const KlctlResult& result) {
  const std::string message = klctlStepLabel(step) + ": " + result.problem;
  if (result.outcome == KlctlOutcome::NoDaemon) throw KlcontrolDaemonNotRunning(message);
  if (result.outcome == KlctlOutcome::Usage) throw KlcontrolUsageError(message);
  throw KlcontrolNoAnswer(message);
}

bool answered(const KlctlResult& result) {
  return result.outcome == KlctlOutcome::Ok || result.outcome == KlctlOutcome::CommandFailed;
}

std::mutex gSystemMutex;

}  // namespace

KlcontrolArgument klcontrolArgument(const std::string& kind, const py::handle& value) {
  KlcontrolArgument argument{kind + ":" + argumentText(kind, value)};
  std::vector<uint8_t> bytes;
  std::string error;
  if (!klctlAppendArgument(argument.word, bytes, error)) throw KlcontrolUsageError(error);
  return argument;
}

uint32_t klcontrolCommandNumber(const py::handle& command) {
  if (isInt(command)) {
    const py::int_ number = py::reinterpret_borrow<py::int_>(command);
    if (number < py::int_(0) || number > py::int_(UINT32_MAX))
      throw KlcontrolUsageError("command number " + std::string(py::str(command)) +
                                " is not 32-bit unsigned");
    return number.cast<uint32_t>();
  }
  if (!py::isinstance<py::str>(command))
    throw py::type_error("a command is a name (str) or a number (int), not " + typeName(command));
  const std::string name = utf8(command);
  uint32_t number = 0;
  if (!klctlFindCommand(name, number))
    throw KlcontrolUsageError("unknown command \"" + name + "\" (klctl --help lists them)");
  return number;
}

KlcontrolAnswer klcontrolAnswer(const KlctlStep& step, const KlctlResult& result) {
  if (!answered(result)) raiseFor(step, result);
  const klcontrol_answer_t& answer = result.answer;
  const nlohmann::ordered_json decoded = step.kind == KlctlStepKind::Command
                                             ? klcontrol_decode_payload(step.number, answer.payload)
                                             : nlohmann::ordered_json();
  KlcontrolAnswer out;
  out.command = commandOf(step);
  out.name = nameOf(step);
  out.status = answer.status;
  out.statusName = klErrno2Str(answer.status);
  out.payload = py::bytes(reinterpret_cast<const char*>(answer.payload.data()), answer.payload.size());
  out.decoded = klcontrolPyValue(decoded);
  out.text = klcontrol_decoded_text(step.number, decoded);
  out.label = klctlStepLabel(step);
  return out;
}

KlcontrolAnswer klcontrolSendSystem(KlctlStepKind kind, double timeout) {
  KlctlStep step;
  step.kind = kind;
  KlctlResult result;
  {
    py::gil_scoped_release released;
    const std::lock_guard<std::mutex> lock(gSystemMutex);
    result = klctlSendSystem(kind == KlctlStepKind::Suspend ? "JS" : "JR", timeout);
  }
  return klcontrolAnswer(step, result);
}

KlcontrolClient::KlcontrolClient(double timeout) : mTimeout(timeout) {
  if (!(timeout > 0)) throw KlcontrolUsageError("the time-out must be more than 0 seconds");
  openQueue();
}

void KlcontrolClient::openQueue() {
  const std::string name = klctlReplyQueueName();
  mReply = klctlCreateReplyQueue(name);
  if (!mReply.valid()) throw KlcontrolError("cannot create the reply queue " + name);
}

double KlcontrolClient::timeoutOf(const py::object& timeout) const {
  if (timeout.is_none()) return mTimeout;
  const double seconds = timeout.cast<double>();
  if (!(seconds > 0)) throw KlcontrolUsageError("the time-out must be more than 0 seconds");
  return seconds;
}

KlcontrolAnswer KlcontrolClient::send(const py::object& command, const py::args& arguments,
                                      const py::object& timeout) {
  KlctlStep step;
  step.number = klcontrolCommandNumber(command);
  step.hasArgument = !arguments.empty();
  step.argument = argumentBytes(arguments);
  const double seconds = timeoutOf(timeout);
  KlctlResult result;
  bool closed = false;
  {
    py::gil_scoped_release released;
    const std::lock_guard<std::mutex> lock(mMutex);
    closed = !mReply.valid();
    if (!closed) {
      result = klctlSendCommand(mReply, step.number, step.hasArgument ? &step.argument : nullptr, seconds);
      // An answer that comes after the time-out must not be taken for the next command's: a new queue
      // (one that cannot be made is reported by the next command).
      if (result.outcome == KlctlOutcome::NoAnswer) mReply = klctlCreateReplyQueue(klctlReplyQueueName());
    }
  }
  if (closed) throw KlcontrolError(klctlStepLabel(step) + ": the client is closed");
  return klcontrolAnswer(step, result);
}

KlcontrolAnswer KlcontrolClient::system(KlctlStepKind kind, const py::object& timeout) {
  return klcontrolSendSystem(kind, timeoutOf(timeout));
}

void KlcontrolClient::close() {
  py::gil_scoped_release released;
  const std::lock_guard<std::mutex> lock(mMutex);
  mReply.reset();
}
