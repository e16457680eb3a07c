// Small string and file utilities: trimming, URL unescaping, model names, the card identifier.
#pragma once
#include <cstddef>

// First character that is neither blank nor tab, or null when there is none (s is not modified).
char* trim(char* s);

// Percent-decodes s in place and stores the decoded length; does nothing when either is null.
// A "%" not followed by two hexadecimal digits (a truncated escape included) is kept as it is,
// so nothing past the NUL is ever read or written. "+" stays "+".
void unescapeUrl(char* s, unsigned* length);

// The product name of a camera model number, or null.
const char* get_model_name(unsigned char model);

// 1 when s holds only decimal digits up to length or its first NUL (empty included), else 0.
int validateCardID(const char* s, size_t length);

// Reads or creates the card identifier of a card (1: the second card, else the default card).
// out holds at least 32 bytes; returns 0 or -1.
int getCardIDStrFromCard(char* out, int card);
int getCardIDStr(char* out);

// The MISC folders of the two cards: "/tmp/fuse_d/MISC/" and "/tmp/fuse_i/MISC/"; tests point them elsewhere.
extern const char* g_card_misc_dir;
extern const char* g_card1_misc_dir;
