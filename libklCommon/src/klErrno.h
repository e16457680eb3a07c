// Error numbers shared by the daemon and its libraries, and their names.
#pragma once

enum {
  KL_OK = 0,
  KL_ERR = -1,
  KL_ERR_OUTOFMEM = -2,
  KL_ERR_INVALID_PARAM = -3,
  KL_ERR_INCOMPLETE_CGI_PARAM = -4,
  KL_ERR_MQ_FAIL = -5,
  KL_ERR_NO_SDCARD = -6,
  KL_ERR_SDCARD_FULL = -7,
  KL_ERR_CREATING_MISC_DIR = -8,
  KL_ERR_UPLOADED_FILE = -9,
  KL_ERR_FILE_OPEN = -10,
  KL_ERR_FILE_READ = -11,
  KL_ERR_FILE_WRITE = -12,
  KL_ERR_REMOTE_FILE_OPEN = -14,
  KL_ERR_REMOTE_FILE_READ = -15,
  KL_ERR_REMOTE_FILE_WRITE = -16,
  KL_ERR_ACCESS_DENIED = -17,
  KL_ERR_DOWNLOAD_FAILED = -100,
  KL_ERR_NAK = -101,
  KL_ERR_RESPONSE_ALREADY_SENT = -102,
  KL_ERR_NAK_OFF = -103,
  KL_ERR_NOT_SUPPORTED = -104,
};

// The name of an error number, or "UNKNOWN".
const char* klErrno2Str(int number);
