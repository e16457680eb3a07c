#include "klcontrol_notification_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "klcontrol_endpoints.h"

int klcontrol_connect_notifications(int receiveBuffer) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (receiveBuffer > 0) setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(KLCONTROL_NOTIFICATION_PORT);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return fd;
  const int error = errno;  // the caller reports why the connection failed, not the close
  close(fd);
  errno = error;
  return -1;
}

std::vector<uint8_t> klcontrol_resume_argument() {
  static const char kResume[] = "status=1";
  return std::vector<uint8_t>(kResume, kResume + sizeof kResume);
}
