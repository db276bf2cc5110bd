#include "Scanner.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace platform {

std::size_t Scanner::skipWhiteSpace(std::size_t from) const {
  while (from < text_.size() && std::isspace(static_cast<unsigned char>(text_[from]))) ++from;
  return from;
}

bool Scanner::scanInt(int& value) {
  std::size_t i = skipWhiteSpace(position_);
  bool negative = false;
  if (i < text_.size() && (text_[i] == '+' || text_[i] == '-')) negative = text_[i++] == '-';
  const std::size_t digitsStart = i;
  long long magnitude = 0;
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  for (; i < text_.size() && std::isdigit(static_cast<unsigned char>(text_[i])); ++i) {
    if (magnitude < limit) magnitude = std::min(limit, magnitude * 10 + (text_[i] - '0'));
  }
  if (i == digitsStart) return false;
  value = static_cast<int>(negative ? -magnitude : magnitude);
  position_ = i;
  return true;
}

bool Scanner::scanString(std::string_view token) {
  const std::size_t i = skipWhiteSpace(position_);
  if (std::string_view(text_).substr(i, token.size()) != token) return false;
  position_ = i + token.size();
  return true;
}

}  // namespace platform
