#include "klcontrol_command_number.h"

klcontrol_command_t klcontrol_command_of(Msg& msg) {
  uint32_t number = 0;
  const MsgElement* element = msg.findElement(TLV_CMD);
  if (element != nullptr) element->getUint32(&number);
  return klcontrol_command_t(number);
}
