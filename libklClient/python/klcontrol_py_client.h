// The Python module's client of the daemon's queue: typed arguments, commands by name or number, the
// answers with their decoded payload, suspend and resume.
#pragma once
#include <pybind11/pybind11.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "klctl_cli.h"
#include "klctl_exchange.h"

// One typed argument: klctl's word for it ("u32:1"), checked when made.
struct KlcontrolArgument {
  std::string word;
};

// Makes the argument of a kind from a Python value (int for numbers, str for str, str or bytes for
// hex); TypeError for a value of another type, KlcontrolUsageError with klctl's reason for a bad value.
KlcontrolArgument klcontrolArgument(const std::string& kind, const pybind11::handle& value);

// An answer as Python sees it.
struct KlcontrolAnswer {
  pybind11::object command;  // the number, or "JS" / "JR"
  std::string name;          // the table's name, "" for numbers without one, "suspend" / "resume"
  int32_t status = 0;
  std::string statusName;
  pybind11::bytes payload;
  pybind11::object decoded;  // dict, or None
  std::string text;          // klctl's decoded text, "" where there is none
  std::string label;         // klctl's label of the request
};

// Raises the exception for a result without an answer; otherwise makes the answer.
KlcontrolAnswer klcontrolAnswer(const KlctlStep& step, const KlctlResult& result);

// Sends suspend or resume, one at a time in the process (the library's wait is a global).
KlcontrolAnswer klcontrolSendSystem(KlctlStepKind kind, double timeout);

// A client with its own reply queue; commands from several threads take turns.
class KlcontrolClient {
 public:
  explicit KlcontrolClient(double timeout);
  KlcontrolAnswer send(const pybind11::object& command, const pybind11::args& arguments,
                       const pybind11::object& timeout);
  KlcontrolAnswer system(KlctlStepKind kind, const pybind11::object& timeout);
  void close();
  double timeout() const { return mTimeout; }

 private:
  double timeoutOf(const pybind11::object& timeout) const;
  void openQueue();

  double mTimeout;
  std::mutex mMutex;
  UniqueQueue mReply;
};

// The command number of a name or number, as klctl finds it; TypeError or KlcontrolUsageError.
uint32_t klcontrolCommandNumber(const pybind11::handle& command);
