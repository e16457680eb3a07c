#include "klQueueIdentity.h"

#include <sys/stat.h>

bool kl_mq_identify(mqd_t queue, KlQueueIdentity* identity) {
  // A queue descriptor is a file descriptor of the mqueue file system on Linux.
  struct stat status {};
  if (fstat(queue, &status) != 0) return false;
  identity->device = status.st_dev;
  identity->inode = status.st_ino;
  return true;
}
