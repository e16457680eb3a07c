#include "klcontrol_peer_queue.h"

#include <ctime>

int klcontrol_send_to_peer(mqd_t queue, const uint8_t* bytes, size_t length) {
  timespec deadline{};
  clock_gettime(CLOCK_REALTIME, &deadline);
  deadline.tv_sec += KLCONTROL_PEER_SEND_TIMEOUT_S;
  return mq_timedsend(queue, reinterpret_cast<const char*>(bytes), length, 0, &deadline);
}
