// klControlD: the camera-control daemon.
#include "klcontrol_daemon.h"

int main(int, char** argv) {
  return klcontrol_run(argv[0]);
}
