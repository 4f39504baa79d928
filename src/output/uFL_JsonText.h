// Bytes as JSON text: core strings are bytes, JSON strings are Unicode. Text that is not UTF-8 is
// written with U+FFFD in place of each invalid byte, and its bytes are kept whole in a base64
// field beside it, so nothing is lost and every JSON reader can read the output.
#pragma once

#include <string>
#include <string_view>

// True when Text is well-formed UTF-8 (no overlong forms, surrogates or code points past U+10FFFF).
bool IsUtf8(std::string_view Text);
// Text as UTF-8: every byte that starts no well-formed sequence becomes U+FFFD.
std::string Utf8Text(std::string_view Text);
// Appends Text as a quoted JSON string (UTF-8, invalid bytes as U+FFFD). Returns IsUtf8(Text).
bool AppendJsonString(std::string& Out, std::string_view Text);
// Appends "Name":Text, and "NameBase64" with the bytes beside it when Text is not UTF-8.
void AppendJsonTextField(std::string& Out, const char* Name, std::string_view Text);
// Standard base64 with padding.
std::string Base64(std::string_view Bytes);
