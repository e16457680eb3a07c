// Responses: every client command is answered once, on the queue its TLV_SRC names.
#include <fcntl.h>

#include <cerrno>
#include <cstring>

#include "klErrno.h"
#include "klUniqueQueue.h"
#include "klcontrol_if_server.h"
#include "klcontrol_log.h"
#include "klcontrol_tlv_text.h"

constexpr const char* LOG_SOURCE = "klcontrol_if_server";

bool KlcontrolCommandServer::sendResponse(Msg& request, int status, const void* payload,
                                          unsigned short length) {
  LOG(UTIL_LOG_DEBUG, "Sending response with err:%d", status);
  mResponse.clear();
  mRspCode.setData(&status, sizeof status);
  mResponse.addElement(&mRspCode);
  if (payload != nullptr && length != 0) {
    mRspArg.setData(payload, length);
    mResponse.addElement(&mRspArg);
  }
  mResponse.addElement(&mRspEnd);
  MemStream stream(mTxBuffer.get(), KLCONTROL_BUFFER_SIZE);
  stream << mResponse;

  const MsgElement* src = request.findElement(TLV_SRC);
  if (src == nullptr || src->getData() == nullptr) {
    LOG(UTIL_LOG_ERROR, "No requester SRC in the message received.");
    return false;
  }
  const std::string requester = klcontrol_bounded_text(src->getData(), src->getDataLength());
  const UniqueQueue queue = UniqueQueue::open(requester.c_str(), O_WRONLY);
  if (!queue.valid()) {
    LOG(UTIL_LOG_ERROR, "mq_open() failed for '%s': %s\n", requester.c_str(), strerror(errno));
    return false;
  }
  // What the message library wrote goes out; a response too large for the buffer is its to handle.
  if (mPeerQueues.send(queue.get(), stream.getBuffer(), stream.getLength()) != 0) {
    LOG(UTIL_LOG_ERROR, "mq_send() failed for '%s': %s\n", requester.c_str(), strerror(errno));
    return false;
  }
  return true;
}

bool KlcontrolCommandServer::nakMsg(Msg& request) {
  sendResponse(request, 1, nullptr, 0);
  return true;
}
