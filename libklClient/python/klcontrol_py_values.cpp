#include "klcontrol_py_values.h"

#include "klctl_document_format.h"

namespace py = pybind11;
using Json = nlohmann::ordered_json;

namespace {

py::object text(const std::string& value) {
  PyObject* object = PyUnicode_DecodeUTF8(value.data(), static_cast<Py_ssize_t>(value.size()), "replace");
  if (object == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::object>(object);
}

}  // namespace

py::object klcontrolPyValue(const Json& value) {
  switch (value.type()) {
    case Json::value_t::boolean:
      return py::bool_(value.get<bool>());
    case Json::value_t::number_integer:
      return py::int_(value.get<int64_t>());
    case Json::value_t::number_unsigned:
      return py::int_(value.get<uint64_t>());
    case Json::value_t::number_float:
      return py::float_(value.get<double>());
    case Json::value_t::string:
      return text(value.get_ref<const std::string&>());
    case Json::value_t::array: {
      py::list list;
      for (const Json& item : value) list.append(klcontrolPyValue(item));
      return std::move(list);
    }
    case Json::value_t::object: {
      py::dict dict;
      for (const auto& member : value.items()) dict[text(member.key())] = klcontrolPyValue(member.value());
      return std::move(dict);
    }
    default:
      return py::none();
  }
}

py::object klcontrolPyDocument(const std::string& document, unsigned number) {
  std::string compact;
  // The depth limit of klctl watch bounds the recursion of the conversion as well.
  if (!klctlFormatDocument(document, true, compact))
    throw KlcontrolError("document " + std::to_string(number) + " is not valid JSON");
  return klcontrolPyValue(Json::parse(compact));
}
