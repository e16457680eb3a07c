// import klcontrol: the daemon's client library for Python (docs/python.md).
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "camera_link.h"
#include "klcontrol_command_table.h"
#include "klcontrol_endpoints.h"
#include "klcontrol_py_client.h"
#include "klcontrol_py_values.h"
#include "klcontrol_py_watch.h"
#include "klctl_commands.h"
#include "klctl_exchange.h"

namespace py = pybind11;
using namespace pybind11::literals;

namespace {

const char* const kArgumentKinds[] = {"u8", "u16", "u32", "i32", "str", "hex"};

std::string answerRepr(const KlcontrolAnswer& answer) {
  return "<Answer " + answer.label + ": status " + std::to_string(answer.status) + " (" + answer.statusName +
         "), " + std::to_string(py::len(answer.payload)) + " payload bytes>";
}

void bindErrors(py::module_& m) {
  static py::exception<KlcontrolError> error(m, "Error");
  static py::exception<KlcontrolDaemonNotRunning> noDaemon(m, "DaemonNotRunning", error.ptr());
  static py::exception<KlcontrolNoAnswer> noAnswer(m, "NoAnswer", error.ptr());
  static py::exception<KlcontrolUsageError> usage(m, "UsageError", error.ptr());
  py::register_exception_translator([](std::exception_ptr thrown) {
    try {
      if (thrown) std::rethrow_exception(thrown);
    } catch (const KlcontrolDaemonNotRunning& e) {
      noDaemon(e.what());
    } catch (const KlcontrolNoAnswer& e) {
      noAnswer(e.what());
    } catch (const KlcontrolUsageError& e) {
      usage(e.what());
    } catch (const KlcontrolError& e) {
      error(e.what());
    }
  });
}

void bindArguments(py::module_& m) {
  py::class_<KlcontrolArgument>(m, "Argument", "A typed command argument, made by u8() ... hex().")
      .def_readonly("word", &KlcontrolArgument::word, "klctl's word for it, e.g. 'u32:1'.")
      .def("__repr__", [](const KlcontrolArgument& a) { return "<Argument " + a.word + ">"; });
  for (const char* kind : kArgumentKinds) {
    const std::string k = kind;
    m.def(
        kind, [k](const py::object& value) { return klcontrolArgument(k, value); }, "value"_a,
        ("The argument '" + k + ":VALUE' of klctl.").c_str());
  }
}

void bindAnswer(py::module_& m) {
  py::class_<KlcontrolAnswer>(m, "Answer", "The daemon's answer to one request.")
      .def_readonly("command", &KlcontrolAnswer::command, "The command number, or 'JS' / 'JR'.")
      .def_readonly("name", &KlcontrolAnswer::name, "The command's name ('' for numbers without one).")
      .def_readonly("status", &KlcontrolAnswer::status, "0 for success, else an error number (1: refused).")
      .def_readonly("status_name", &KlcontrolAnswer::statusName, "The status's name, e.g. 'KL_OK'.")
      .def_readonly("payload", &KlcontrolAnswer::payload, "The answer's payload bytes.")
      .def_readonly("decoded", &KlcontrolAnswer::decoded,
                    "The payload decoded (a dict) where its layout is known, else None.")
      .def_readonly("text", &KlcontrolAnswer::text, "The decoded payload as klctl prints it, or ''.")
      .def("__repr__", answerRepr);
}

std::string clientDoc() {
  return "A client of klControlD with a reply queue of its own, closed by close(), at the end of a with\n"
         "block or when collected. send() takes a command name or number and typed arguments.\n\n"
         "Commands (number, name, argument class, description):\n" +
         klctlCommandList();
}

void bindClient(py::module_& m) {
  py::class_<KlcontrolClient>(m, "Client", clientDoc().c_str())
      .def(py::init<double>(), "timeout"_a = 5.0, "timeout: default seconds to wait for each answer.")
      .def("send", &KlcontrolClient::send, "command"_a, "timeout"_a = py::none(),
           "Sends a command (name or number) with the arguments (u8() ... hex(), or bytes) concatenated.\n"
           "Returns the Answer; raises DaemonNotRunning, NoAnswer or UsageError.")
      .def(
          "suspend",
          [](KlcontrolClient& c, const py::object& t) { return c.system(KlctlStepKind::Suspend, t); },
          py::kw_only(), "timeout"_a = py::none(),
          "Sends 'JS' (suspend); the Answer's status is its first byte.")
      .def(
          "resume",
          [](KlcontrolClient& c, const py::object& t) { return c.system(KlctlStepKind::Resume, t); },
          py::kw_only(), "timeout"_a = py::none(), "Sends 'JR' (resume).")
      .def("close", &KlcontrolClient::close, "Closes and removes the reply queue.")
      .def_property_readonly("timeout", &KlcontrolClient::timeout)
      .def("__enter__", [](KlcontrolClient& c) -> KlcontrolClient& { return c; })
      .def("__exit__", [](KlcontrolClient& c, const py::args&) { c.close(); });
}

void bindNotifications(py::module_& m) {
  py::class_<KlcontrolWatch>(m, "Watch", "Pushed documents from TCP port 8081; made by watch().")
      .def("__iter__", [](KlcontrolWatch& w) -> KlcontrolWatch& { return w; })
      .def("__next__", &KlcontrolWatch::next)
      .def("close", &KlcontrolWatch::close, "Closes the connection.")
      .def("__enter__", [](KlcontrolWatch& w) -> KlcontrolWatch& { return w; })
      .def("__exit__", [](KlcontrolWatch& w, const py::args&) { w.close(); });
  m.def(
      "watch",
      [](std::optional<unsigned> count, std::optional<double> timeout, bool resume) {
        return std::make_unique<KlcontrolWatch>(count, timeout, resume);
      },
      "count"_a = py::none(), "timeout"_a = py::none(), "resume"_a = true,
      "Connects to the daemon's notification port and yields each pushed document as a dict, until count\n"
      "documents came or timeout seconds passed (None: no limit). resume sends command 43 'status=1' until\n"
      "the first document comes. Raises NoAnswer when none came at all.");
  py::class_<KlcontrolQueueNotifications>(
      m, "QueueNotifications", "A queue notification client: its own queue registered with command 0.")
      .def(py::init<double>(), "timeout"_a = 5.0, "Registers; timeout is the wait for command 0's answer.")
      .def("next", &KlcontrolQueueNotifications::next, "timeout"_a = 5.0,
           "The next document as a dict, or None when none came within timeout seconds.")
      .def("close", &KlcontrolQueueNotifications::close, "Unregisters and removes the queue.")
      .def_property_readonly("name", &KlcontrolQueueNotifications::name, "The queue's name.")
      .def("__enter__", [](KlcontrolQueueNotifications& q) -> KlcontrolQueueNotifications& { return q; })
      .def("__exit__", [](KlcontrolQueueNotifications& q, const py::args&) { q.close(); });
}

py::list commands() {
  py::list rows;
  for (uint32_t n = 0; n < KLCONTROL_COMMAND_COUNT; ++n) {
    const klcontrol_command_info_t* row = klcontrol_command_info(n);
    if (row->name != nullptr)
      rows.append(py::make_tuple(n, row->name, klcontrol_arg_class_name(row->arg), row->description));
  }
  return rows;
}

}  // namespace

PYBIND11_MODULE(_klcontrol, m) {
  m.doc() = "The compiled part of klcontrol.";
  bindErrors(m);
  bindArguments(m);
  bindAnswer(m);
  bindClient(m);
  bindNotifications(m);
  m.attr("DAEMON_QUEUE") = KLCONTROL_DAEMON_QUEUE;
  m.attr("CAMERA_QUEUE") = KLC_LINK_CAMERA_QUEUE;
  m.attr("NOTIFICATION_PORT") = KLCONTROL_NOTIFICATION_PORT;
  m.attr("STOP_COMMAND") = static_cast<uint32_t>(KLCONTROL_WORKER_EXIT);
  m.def("commands", commands, "Every named command: (number, name, argument class, description).");
  m.def(
      "command_number", [](const py::object& c) { return klcontrolCommandNumber(c); }, "command"_a,
      "The number of a command name (as klctl reads it) or number.");
  m.def(
      "queue_exists", [](const std::string& name) { return klctlQueueExists(name.c_str()); }, "name"_a,
      "True when the POSIX queue exists.");
}
