#include "klErrno.h"

namespace {

struct klErrnoStr {
  int number;
  const char* name;
};

// Searched in this order; -100 was added last and stands last.
const klErrnoStr klErrnoStrMap[] = {
    {KL_OK, "KL_OK"},
    {KL_ERR, "KL_ERR"},
    {KL_ERR_OUTOFMEM, "KL_ERR_OUTOFMEM"},
    {KL_ERR_INVALID_PARAM, "KL_ERR_INVALID_PARAM"},
    {KL_ERR_INCOMPLETE_CGI_PARAM, "KL_ERR_INCOMPLETE_CGI_PARAM"},
    {KL_ERR_MQ_FAIL, "KL_ERR_MQ_FAIL"},
    {KL_ERR_NO_SDCARD, "KL_ERR_NO_SDCARD"},
    {KL_ERR_SDCARD_FULL, "KL_ERR_SDCARD_FULL"},
    {KL_ERR_CREATING_MISC_DIR, "KL_ERR_CREATING_MISC_DIR"},
    {KL_ERR_UPLOADED_FILE, "KL_ERR_UPLOADED_FILE"},
    {KL_ERR_FILE_OPEN, "KL_ERR_FILE_OPEN"},
    {KL_ERR_FILE_READ, "KL_ERR_FILE_READ"},
    {KL_ERR_FILE_WRITE, "KL_ERR_FILE_WRITE"},
    {KL_ERR_REMOTE_FILE_OPEN, "KL_ERR_REMOTE_FILE_OPEN"},
    {KL_ERR_REMOTE_FILE_READ, "KL_ERR_REMOTE_FILE_READ"},
    {KL_ERR_REMOTE_FILE_WRITE, "KL_ERR_REMOTE_FILE_WRITE"},
    {KL_ERR_ACCESS_DENIED, "KL_ERR_ACCESS_DENIED"},
    {KL_ERR_NAK, "KL_ERR_NAK"},
    {KL_ERR_RESPONSE_ALREADY_SENT, "KL_ERR_RESPONSE_ALREADY_SENT"},
    {KL_ERR_NAK_OFF, "KL_ERR_NAK_OFF"},
    {KL_ERR_NOT_SUPPORTED, "KL_ERR_NOT_SUPPORTED"},
    {KL_ERR_DOWNLOAD_FAILED, "KL_ERR_DOWNLOAD_FAILED"},
};

}  // namespace

const char* klErrno2Str(int number) {
  for (const klErrnoStr& row : klErrnoStrMap) {
    if (row.number == number) return row.name;
  }
  return "UNKNOWN";
}
