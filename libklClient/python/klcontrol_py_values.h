// What the Python module hands out: JSON values as Python objects, and its exceptions.
#pragma once
#include <pybind11/pybind11.h>

#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

// Each becomes the Python exception of the same name (klcontrol.Error and its subclasses).
struct KlcontrolError : std::runtime_error {
  using std::runtime_error::runtime_error;
};
struct KlcontrolDaemonNotRunning : KlcontrolError {
  using KlcontrolError::KlcontrolError;
};
struct KlcontrolNoAnswer : KlcontrolError {
  using KlcontrolError::KlcontrolError;
};
struct KlcontrolUsageError : KlcontrolError {
  using KlcontrolError::KlcontrolError;
};

// None, bool, int, float, str (invalid UTF-8 replaced), list or dict, recursively.
pybind11::object klcontrolPyValue(const nlohmann::ordered_json& value);

// A pushed document as a dict (or whatever JSON value it is); KlcontrolError naming the document's
// number when it is not JSON or nested too deep to convert.
pybind11::object klcontrolPyDocument(const std::string& text, unsigned number);
