// The message table compiled into the program: one row per language and a default row.
#pragma once

#include <cstdint>

namespace moorstep {

constexpr int kMessageCount = 11;
constexpr int kMessageRowCount = 17;
constexpr int kDefaultMessageRow = 16;

struct MessageRow {
  const char* tag;  // compared literally with the user's canonical language tags
  std::int32_t lcid;
  const char32_t* texts[kMessageCount];  // by message id; null when the row has no text
};

extern const MessageRow allMessages[kMessageRowCount];

}  // namespace moorstep
