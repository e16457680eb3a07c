// The camera link: how libklCtrlD and the camera's real-time side (klCameraSim here) talk.
//
// Request, sent to klNet's queue (/to_klnet): one TLV message of category CAT_CAMLINK_REQ with
//   TLV_CMD    8 bytes {uint32 seq, uint16 group, uint16 id}, host byte order
//   TLV_CMDARG the request payload (possibly empty)
//   TLV_SRC    the name of the queue the reply goes to
//   KLC_LINK_TLV_QUEUE_ID  optional: that queue's identity, so that the camera may keep it open
//   TLV_END
// Reply, sent to the queue named by TLV_SRC: category CAT_CAMLINK_RSP with
//   TLV_CMD     the request's 8 bytes, echoed
//   TLV_RSPCODE int32 status: 0 or a KL_ERR_* number
//   TLV_RSPARG  the answer bytes (possibly empty)
//   TLV_END
// Remote-API requests keep their own (group, id), both below 0x100; the library's other calls
// use the operations of klc_link_op, whose groups start at 0x100. All multi-byte values in
// payloads and answers are host byte order unless an entry says otherwise.
#pragma once
#include <cstdint>

#include "klQueueIdentity.h"
#include "klTlv.h"

struct klc_msg_q_context_t;

enum : uint8_t {
  CAT_CAMLINK_REQ = 0x30,
  CAT_CAMLINK_RSP = 0x31,
};

// Bytes of the TLV_CMD value of requests and replies.
constexpr uint16_t KLC_LINK_CMD_LEN = 8;
// Record of a request naming the identity of its reply queue: KlQueueIdentity, host byte order. A
// camera that keeps reply queues open sees by it when the name has come to mean another queue.
constexpr uint8_t KLC_LINK_TLV_QUEUE_ID = 0x46;
constexpr uint16_t KLC_LINK_QUEUE_ID_LEN = sizeof(KlQueueIdentity);
// Framing around a reply's answer: header, CMD, RSPCODE, RSPARG header and END.
constexpr uint16_t KLC_LINK_REPLY_OVERHEAD =
    TLV_HDR_LEN + (TLV_HDR_LEN + KLC_LINK_CMD_LEN) + (TLV_HDR_LEN + 4) + TLV_HDR_LEN + TLV_HDR_LEN;
// Largest answer one reply can carry.
constexpr uint16_t KLC_LINK_MAX_ANSWER = KLMSG_MAX - KLC_LINK_REPLY_OVERHEAD;
// Longest reply-queue name carried in TLV_SRC (NUL not included).
constexpr uint16_t KLC_LINK_MAX_QUEUE_NAME = 63;
// Largest request payload, whatever the reply-queue name.
constexpr uint16_t KLC_LINK_MAX_PAYLOAD = KLMSG_MAX - (TLV_HDR_LEN + (TLV_HDR_LEN + KLC_LINK_CMD_LEN) +
                                                       TLV_HDR_LEN + (TLV_HDR_LEN + KLC_LINK_MAX_QUEUE_NAME) +
                                                       (TLV_HDR_LEN + KLC_LINK_QUEUE_ID_LEN) + TLV_HDR_LEN);
// Groups below this are remote-API groups.
constexpr uint16_t KLC_LINK_FIRST_LIBRARY_GROUP = 0x100;
// Remote-API group of the transcode requests; their refusals carry a reason byte.
constexpr uint16_t KLC_REMOTE_GROUP_TRANSCODE = 12;
// The one-byte answer of a camera that is off or asleep (NAK-off).
constexpr uint8_t KLC_LINK_NAK_OFF = 2;
// Whether an answer is the NAK-off answer.
constexpr bool klc_link_is_nak_off(const uint8_t* answer, uint16_t length) {
  return answer != nullptr && length == 1 && answer[0] == KLC_LINK_NAK_OFF;
}
// Default time-out of one call in milliseconds.
constexpr int KLC_LINK_TIMEOUT_MS = 2000;
// The camera's request queue (klNet's).
constexpr const char* KLC_LINK_CAMERA_QUEUE = "/to_klnet";
// Time-out of every call in milliseconds; tests shorten it.
extern int g_klc_link_timeout_ms;

constexpr uint32_t klc_link_key(uint16_t group, uint16_t id) {
  return (uint32_t(group) << 16) | id;
}
constexpr uint16_t klc_link_group(uint32_t key) {
  return uint16_t(key >> 16);
}
constexpr uint16_t klc_link_id(uint32_t key) {
  return uint16_t(key & 0xFFFF);
}
// The id of an accessory-port command: its two characters, the first in the high byte.
constexpr uint16_t klc_auxpod_id(char first, char second) {
  return uint16_t((uint8_t(first) << 8) | uint8_t(second));
}

// Every library call other than the remote API. "none" means an empty payload or answer;
// a getter refuses an answer of any other size than the one given with KL_ERR.
enum klc_link_op : uint32_t {
  // Payload none. Answer 1 byte: the camera model number.
  KLC_OP_STATE_GET_MODEL_NUMBER = klc_link_key(0x100, 1),
  // Payload 1 byte: model number. Answer none.
  KLC_OP_STATE_SELECT_PROTOCOL_ADAPTER = klc_link_key(0x100, 2),

  // Payload 1 byte: shutter value (1 start, 0 stop). Answer none.
  KLC_OP_APP_SHUTTER = klc_link_key(0x101, 1),
  // Payload int32 mode. Answer none.
  KLC_OP_APP_SET_MODE = klc_link_key(0x101, 2),
  // Payload int32 mode, int32 sub-mode. Answer none.
  KLC_OP_APP_SET_MODE_SUB_MODE = klc_link_key(0x101, 3),
  // Payload none. Answer int32 mode, int32 flat mode.
  KLC_OP_APP_GET_MODE_FLAT_MODE = klc_link_key(0x101, 4),
  // Payload int32 photo timer. Answer none.
  KLC_OP_APP_SET_CAPTURE_DELAY = klc_link_key(0x101, 5),
  // Payload int32 zoom. Answer none.
  KLC_OP_APP_SET_DIGITAL_ZOOM = klc_link_key(0x101, 6),

  // Vantix groups share ids: video 0x102, photo 0x103, multi-shot 0x104.
  // Payload none. Answer none.
  KLC_OP_VIDEO_VANTIX_RESET = klc_link_key(0x102, 1),
  // Payload none. Answer int32 setting value of the ISO maximum.
  KLC_OP_VIDEO_VANTIX_ISO_GET = klc_link_key(0x102, 2),
  // Payload int32 setting value of the ISO maximum. Answer none.
  KLC_OP_VIDEO_VANTIX_ISO_SET = klc_link_key(0x102, 3),
  // Payload none. Answer int32 setting value of the ISO minimum.
  KLC_OP_VIDEO_VANTIX_ISO_MIN_GET = klc_link_key(0x102, 4),
  // Payload int32 setting value of the ISO minimum. Answer none.
  KLC_OP_VIDEO_VANTIX_ISO_MIN_SET = klc_link_key(0x102, 5),
  KLC_OP_PHOTO_VANTIX_RESET = klc_link_key(0x103, 1),
  KLC_OP_PHOTO_VANTIX_ISO_GET = klc_link_key(0x103, 2),
  KLC_OP_PHOTO_VANTIX_ISO_SET = klc_link_key(0x103, 3),
  KLC_OP_PHOTO_VANTIX_ISO_MIN_GET = klc_link_key(0x103, 4),
  KLC_OP_PHOTO_VANTIX_ISO_MIN_SET = klc_link_key(0x103, 5),
  KLC_OP_MULTISHOT_VANTIX_RESET = klc_link_key(0x104, 1),
  KLC_OP_MULTISHOT_VANTIX_ISO_GET = klc_link_key(0x104, 2),
  KLC_OP_MULTISHOT_VANTIX_ISO_SET = klc_link_key(0x104, 3),
  KLC_OP_MULTISHOT_VANTIX_ISO_MIN_GET = klc_link_key(0x104, 4),
  KLC_OP_MULTISHOT_VANTIX_ISO_MIN_SET = klc_link_key(0x104, 5),

  // Payload none. Answer none.
  KLC_OP_VIDEO_RESET_TO_VALID_RES_FPS_FOV = klc_link_key(0x102, 16),
  // Payload int32 value. Answer none.
  KLC_OP_VIDEO_SET_SURGE_SPEED_1X = klc_link_key(0x102, 17),
  // Payload int32 value. Answer none.
  KLC_OP_VIDEO_SET_SURGE_SPEED_RAMP = klc_link_key(0x102, 18),
  // Payload int32 value. Answer none.
  KLC_OP_VIDEO_SET_SURGE_SPEED_RAMP_ACTIVE = klc_link_key(0x102, 19),
  // Payload none. Answer 1 byte: 1 when the shutter setting suits the frame rate, else 0.
  KLC_OP_VIDEO_VALIDATE_SHUTTER = klc_link_key(0x102, 20),

  // Payload none. Answer 2 bytes: lens mode, lens.
  KLC_OP_SYSTEM_GET_LENSES = klc_link_key(0x105, 1),
  // Payload none. Answer 1 byte: lens type.
  KLC_OP_SYSTEM_GET_LENS_TYPE = klc_link_key(0x105, 2),
  // Payload none. Answer 1 signed byte: power profile.
  KLC_OP_SYSTEM_GET_POWER_PROFILE = klc_link_key(0x105, 3),
  // Payload 2 bytes: button id, button state. Answer none.
  KLC_OP_SYSTEM_SET_BUTTON = klc_link_key(0x105, 4),

  // Payload none. Answer 1 byte: orientation-lock setting.
  KLC_OP_SETUP_GET_ORIENTATION = klc_link_key(0x106, 1),
  // Payload 1 byte: orientation to lock. Answer none.
  KLC_OP_SETUP_SET_ORIENTATION = klc_link_key(0x106, 2),
  // Payload int32 value, int32 control (0..3). Answer none.
  KLC_OP_SETTINGS_SET_ONSCREEN_CONTROL = klc_link_key(0x106, 3),
  // One setting by id: payload int32 setting id, uint32 row words 1, 2, 3, int32 value (20 bytes).
  // Answer none.
  KLC_OP_SETTINGS_SET_VALUE_INT = klc_link_key(0x106, 4),

  // Payload 1 byte: option. Answer none.
  KLC_OP_AUDIO_SET_AUDIO_OPTION = klc_link_key(0x107, 1),
  // Payload 1 byte: option. Answer none.
  KLC_OP_AUDIO_SET_MIC_OPTION = klc_link_key(0x107, 2),

  // Payload uint32 offset, uint32 leading word, then the file name (no NUL). Answer none.
  KLC_OP_STORAGE_TAG_FILE = klc_link_key(0x108, 1),
  // Payload the file name (no NUL). Answer none.
  KLC_OP_STORAGE_DELETE_FILE = klc_link_key(0x108, 2),
  // Payload the file name of one member of the group (no NUL). Answer none.
  KLC_OP_STORAGE_DELETE_GROUP = klc_link_key(0x108, 3),
  // Payload count x 23-byte file_list_item_t, as received from the client. Answer none.
  KLC_OP_STORAGE_DELETE_LIST = klc_link_key(0x108, 4),

  // Payload none. Answer none.
  KLC_OP_FWUPDATE_DOWNLOAD_START = klc_link_key(0x109, 1),
  // Payload none. Answer none.
  KLC_OP_FWUPDATE_DOWNLOAD_CANCEL = klc_link_key(0x109, 2),
  // Payload 1 byte: 1 when the download succeeded. Answer none.
  KLC_OP_FWUPDATE_DOWNLOAD_DONE = klc_link_key(0x109, 3),

  // Payload none. Answer none.
  KLC_OP_PRESET_ONSCREEN_SHORTCUTS_RESET = klc_link_key(0x10A, 1),
};

// Accessory-port commands travel in this group; the id is klc_auxpod_id of the two-character
// code; payload and answer are the command's own bytes.
constexpr uint16_t KLC_LINK_GROUP_AUXPOD = 0x10B;

// The fixed part of every request and reply.
struct klc_link_header {
  uint32_t seq;
  uint16_t group;
  uint16_t id;
};

// A request as decoded by the camera side; pointers refer into the decoded message.
struct klc_link_request {
  klc_link_header header;
  const uint8_t* payload;
  uint16_t payloadLength;
  char replyQueue[KLC_LINK_MAX_QUEUE_NAME + 1];
  KlQueueIdentity replyQueueId;  // not known when the request carried none
};

// A reply as decoded by the library; answer points into the decoded message.
struct klc_link_reply {
  klc_link_header header;
  int32_t status;
  const uint8_t* answer;
  uint16_t answerLength;
};

// Writes a request message into buf, with the reply queue's identity when it is known; its length,
// or KL_ERR_INVALID_PARAM when it does not fit.
int klc_link_encode_request(uint8_t* buf, unsigned capacity, const klc_link_header& header,
                            const void* payload, uint16_t length, const char* replyQueue,
                            const KlQueueIdentity& replyQueueId);
// Decodes exactly length received bytes; 0, or KL_ERR_INVALID_PARAM for a malformed request.
int klc_link_decode_request(const uint8_t* msg, unsigned length, klc_link_request* request);
// Writes a reply message into buf; its length, or KL_ERR_INVALID_PARAM when it does not fit.
int klc_link_encode_reply(uint8_t* buf, unsigned capacity, const klc_link_header& header, int32_t status,
                          const void* answer, uint16_t length);
// Decodes exactly length received bytes; 0, or KL_ERR_INVALID_PARAM for a malformed reply.
int klc_link_decode_reply(const uint8_t* msg, unsigned length, klc_link_reply* reply);

// One request and its reply; the camera's status, or KL_ERR_MQ_FAIL when the request cannot be
// sent or no reply comes within the time-out. On status 0, *answer and *answerLength describe the
// answer: in the context's reply buffer, valid until the next call, when *answer was null; copied
// into the caller's buffer of *answerLength bytes when it was not (KL_ERR_OUTOFMEM, nothing copied,
// when it does not fit). Otherwise both are left alone. answer may be null when none is wanted.
int klc_link_call(klc_msg_q_context_t* ctx, uint16_t group, uint16_t id, const void* payload, uint16_t length,
                  uint8_t** answer, uint16_t* answerLength);
