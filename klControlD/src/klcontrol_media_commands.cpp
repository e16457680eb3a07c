// Media and storage commands: tag a recorded file, delete media on the card, and fetch the result
// of a list deletion. The camera does the work; every handler answers the library's result.
#include <string>

#include "klErrno.h"
#include "klcontrol_arg_fields.h"
#include "klcontrol_if_server.h"
#include "klcontrol_log.h"
#include "klcontrol_tlv_text.h"

constexpr const char* LOG_SOURCE = "klcontrol_if_server";

namespace {

// Tag-playback record: leading word, file name field, offset.
constexpr unsigned TAG_NAME_OFFSET = 4;
constexpr unsigned TAG_NAME_FIELD = 260;
constexpr unsigned TAG_OFFSET_OFFSET = 264;

using NamedStorageCall = int (*)(klc_msg_q_context_t* ctx, const char* name, uint32_t nameLength);

// Sends one named storage request after logging its line; the library's result.
int forwardFileName(const MsgElement* arg, const char* format, NamedStorageCall call) {
  const std::string name = klcontrol_arg_text(arg, 0, arg->getDataLength());
  LOG(UTIL_LOG_DEBUG, format, name.c_str());
  return call(klcontrol_camera(), name.c_str(), uint32_t(name.size()));
}

int simpleMediaRequest(const char* line, klc_remote_api api) {
  LOG(UTIL_LOG_DEBUG, "%s", line);
  return klc_send_simple_remote_api(klcontrol_camera(), api);
}

void logListItems(const file_list_item_t* items, unsigned count) {
  if (g_logLevel < UTIL_LOG_DEBUG) return;
  for (unsigned i = 0; i < count; ++i) {
    const std::string name =
        klcontrol_bounded_text(reinterpret_cast<const uint8_t*>(items[i].name), sizeof items[i].name);
    LOG(UTIL_LOG_DEBUG, "file: %s, (%d)\n", name.c_str(), int(items[i].item));
  }
}

}  // namespace

int KlcontrolCommandServer::cmdGlintTagPlayback(Msg& msg, MsgElement* arg) {
  const uint32_t leading = klcontrol_arg_word(arg, 0);
  const std::string name = klcontrol_arg_text(arg, TAG_NAME_OFFSET, TAG_NAME_FIELD);
  const uint32_t offset = klcontrol_arg_word(arg, TAG_OFFSET_OFFSET);
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_GLINT_TAG_PLAYBACK: filename[%s] offset:%d", name.c_str(), int(offset));
  return answer(
      msg, klc_storage_tag_file(klcontrol_camera(), name.c_str(), uint32_t(name.size()), offset, leading));
}

int KlcontrolCommandServer::cmdDelete(Msg& msg, MsgElement* arg) {
  return answer(msg, forwardFileName(arg, "KLCONTROL_DELETE: filename[%s]", klc_storage_delete_file));
}

int KlcontrolCommandServer::cmdDeleteGroup(Msg& msg, MsgElement* arg) {
  return answer(msg, forwardFileName(arg, "KLCONTROL_DELETE_GROUP: filename[%s]", klc_storage_delete_group));
}

int KlcontrolCommandServer::cmdDeleteLast(Msg& msg, MsgElement*) {
  return answer(msg, simpleMediaRequest("KLCONTROL_DELETE_LAST:", REMOTE_MEDIA_DELETE_LAST));
}

int KlcontrolCommandServer::cmdDeleteAll(Msg& msg, MsgElement*) {
  return answer(msg, simpleMediaRequest("KLCONTROL_DELETE_ALL:", REMOTE_MEDIA_DELETE_ALL));
}

// The items go to the camera in place; a remainder shorter than one item is ignored.
int KlcontrolCommandServer::cmdDeleteList(Msg& msg, MsgElement* arg) {
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_DELETE_LIST\n");
  LOG(UTIL_LOG_DEBUG, "pArgs length = %d\n", int(arg->getDataLength()));
  const unsigned count = arg->getDataLength() / sizeof(file_list_item_t);
  const auto* items = reinterpret_cast<const file_list_item_t*>(arg->getData());
  logListItems(items, count);
  return answer(msg, klc_storage_delete_list(klcontrol_camera(), items, count));
}

// The camera's reply is the payload, as it came and whatever the result.
int KlcontrolCommandServer::cmdGetDeleteListResult(Msg& msg, MsgElement*) {
  LOG(UTIL_LOG_DEBUG, "KLCONTROL_GET_DELETE_LIST_RESULT\n");
  uint8_t* reply = nullptr;
  uint16_t length = 0;
  const int status =
      klc_send_remote_api_for_response(klcontrol_camera(), REMOTE_MEDIA_DELETE_LIST_RESULT, &reply, &length);
  if (status == KL_OK && reply != nullptr && length > 0)
    LOG(UTIL_LOG_DEBUG, "DELETE result: %d\n", int(reply[0]));
  sendResponse(msg, status, reply, length);
  return status;
}
