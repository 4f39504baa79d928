// UTF-8 checking, JSON string escaping and base64.
#include "output/uFL_JsonText.h"

#include <cstdint>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Length of the well-formed UTF-8 sequence at Text[i], or 0 when the byte starts none.
size_t Utf8SequenceLength(std::string_view Text, size_t i) {
  const auto Byte = [&](size_t k) { return static_cast<unsigned char>(Text[k]); };
  const unsigned char B = Byte(i);
  if (B < 0x80) return 1;
  size_t Len;
  unsigned char Low = 0x80, High = 0xBF;  // range of the second byte
  if (B >= 0xC2 && B <= 0xDF) {
    Len = 2;
  } else if (B >= 0xE0 && B <= 0xEF) {
    Len = 3;
    if (B == 0xE0) Low = 0xA0;   // no overlong forms
    if (B == 0xED) High = 0x9F;  // no surrogates
  } else if (B >= 0xF0 && B <= 0xF4) {
    Len = 4;
    if (B == 0xF0) Low = 0x90;
    if (B == 0xF4) High = 0x8F;  // nothing past U+10FFFF
  } else {
    return 0;
  }
  if (i + Len > Text.size()) return 0;
  if (Byte(i + 1) < Low || Byte(i + 1) > High) return 0;
  for (size_t k = 2; k < Len; ++k)
    if ((Byte(i + k) & 0xC0) != 0x80) return 0;
  return Len;
}

constexpr char Base64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

}  // namespace

bool IsUtf8(std::string_view Text) {
  for (size_t i = 0; i < Text.size();) {
    // ASCII runs are the common case: skip them a byte at a time without the table.
    if (static_cast<unsigned char>(Text[i]) < 0x80) {
      ++i;
      continue;
    }
    const size_t Len = Utf8SequenceLength(Text, i);
    if (Len == 0) return false;
    i += Len;
  }
  return true;
}

std::string Utf8Text(std::string_view Text) {
  std::string Out;
  Out.reserve(Text.size());
  for (size_t i = 0; i < Text.size();) {
    const size_t Len = Utf8SequenceLength(Text, i);
    if (Len == 0) {
      Out += "\xEF\xBF\xBD";
      ++i;
    } else {
      Out.append(Text.substr(i, Len));
      i += Len;
    }
  }
  return Out;
}

bool AppendJsonString(std::string& Out, std::string_view Text) {
  bool Valid = true;
  static constexpr char Hex[] = "0123456789abcdef";
  Out += '"';
  size_t Start = 0;  // the run of bytes that need no escape is appended at once
  for (size_t i = 0; i < Text.size();) {
#ifdef __SSE2__
    // Sixteen plain bytes at a time: a signed compare finds both control bytes and bytes from
    // 128 up.
    if (i + 16 <= Text.size()) {
      const __m128i V = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Text.data() + i));
      const __m128i Special = _mm_or_si128(_mm_cmplt_epi8(V, _mm_set1_epi8(0x20)),
                                           _mm_or_si128(_mm_cmpeq_epi8(V, _mm_set1_epi8('"')),
                                                        _mm_cmpeq_epi8(V, _mm_set1_epi8('\\'))));
      const unsigned Mask = unsigned(_mm_movemask_epi8(Special));
      if (Mask == 0) {
        i += 16;
        continue;
      }
      i += unsigned(__builtin_ctz(Mask));
    }
#endif
    const unsigned char B = static_cast<unsigned char>(Text[i]);
    if (B >= 0x20 && B < 0x80 && B != '"' && B != '\\') {
      ++i;
      continue;
    }
    size_t Len = B < 0x80 ? 1 : Utf8SequenceLength(Text, i);
    if (B >= 0x80 && Len > 0) {
      i += Len;
      continue;
    }
    Out.append(Text.substr(Start, i - Start));
    switch (B) {
      case '"':
        Out += "\\\"";
        break;
      case '\\':
        Out += "\\\\";
        break;
      case '\n':
        Out += "\\n";
        break;
      case '\r':
        Out += "\\r";
        break;
      case '\t':
        Out += "\\t";
        break;
      default:
        if (B < 0x20) {
          Out += "\\u00";
          Out += Hex[B >> 4];
          Out += Hex[B & 15];
        } else {
          Out += "\xEF\xBF\xBD";  // an invalid byte; its base64 field keeps it
          Valid = false;
        }
    }
    Start = ++i;
  }
  Out.append(Text.substr(Start));
  Out += '"';
  return Valid;
}

std::string Base64(std::string_view Bytes) {
  std::string Out;
  Out.reserve((Bytes.size() + 2) / 3 * 4);
  size_t i = 0;
  const auto Byte = [&](size_t k) { return uint32_t(static_cast<unsigned char>(Bytes[k])); };
  for (; i + 2 < Bytes.size(); i += 3) {
    const uint32_t V = Byte(i) << 16 | Byte(i + 1) << 8 | Byte(i + 2);
    for (int Shift = 18; Shift >= 0; Shift -= 6) Out += Base64Alphabet[(V >> Shift) & 63];
  }
  if (const size_t Rest = Bytes.size() - i; Rest > 0) {
    const uint32_t V = Byte(i) << 16 | (Rest == 2 ? Byte(i + 1) << 8 : 0);
    Out += Base64Alphabet[(V >> 18) & 63];
    Out += Base64Alphabet[(V >> 12) & 63];
    Out += Rest == 2 ? Base64Alphabet[(V >> 6) & 63] : '=';
    Out += '=';
  }
  return Out;
}

void AppendJsonTextField(std::string& Out, const char* Name, std::string_view Text) {
  Out += '"';
  Out += Name;
  Out += "\":";
  if (!AppendJsonString(Out, Text)) {
    Out += ",\"";
    Out += Name;
    Out += "Base64\":\"";
    Out += Base64(Text);
    Out += '"';
  }
}
