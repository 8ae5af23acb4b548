// The compiled string table: every user-visible text, fetched by (list, index) or by message
// number m as (25000 + (m / 100) * 100, m mod 100). Texts are Windows-1252 bytes.
#pragma once

#include <cstdint>
#include <string>

namespace tlv {

struct MyStrPoundEntry {
  int16_t list;
  int16_t index;
  const char* text;
};

// The platform's string resources, looked up by the 16-bit sum list + index when the table has
// no entry: lists 0 and 14900 to 17600 (line widths, colour names, pattern names, unit names,
// hemisphere words, month names and other dialog vocabulary).
struct StringResource {
  uint16_t id;
  const char* text;
};

// Defined in string_table_data.cpp. kStrPoundTable ends with an entry whose list is 0;
// kStringResources ends with an entry whose text is null. Both are sorted.
extern const MyStrPoundEntry kStrPoundTable[];
extern const StringResource kStringResources[];

constexpr int kMaxStringLength = 255;

// Copies the text of (list, index) into buffer (at least 256 bytes); empty when missing.
void MyGetIndString(char* buffer, int16_t list, int16_t index);
std::string GetIndString(int16_t list, int16_t index);

// Numbered message m. With a null buffer the text goes into the operation's own static buffer,
// which is returned; the three operations have three buffers so three texts can be held at once.
char* GetMessageString(int m, char* buffer);
char* GetMessageString2(int m, char* buffer);
char* GetMessageString3(int m, char* buffer);
std::string MessageText(int m);

// Validates the table once per run and returns the number of entries found usable.
int32_t CheckStringTable();

// Test controls: use another table (null: the compiled one) and forget the validated size.
void SetStringTableForTesting(const MyStrPoundEntry* table, const StringResource* resources);

}  // namespace tlv
