#include "base/strings.h"

#include <algorithm>
#include <cstring>

#include "base/errors.h"
#include "base/platform.h"

namespace tlv {

namespace {

const MyStrPoundEntry* table = kStrPoundTable;
const StringResource* resources = kStringResources;
int32_t validatedCount = -1;

const char* FindResource(uint16_t id) {
  int32_t count = 0;
  while (resources[count].text != nullptr) ++count;
  int32_t lo = 0, hi = count - 1;
  while (lo <= hi) {
    const int32_t mid = (lo + hi) / 2;
    if (resources[mid].id == id) return resources[mid].text;
    if (resources[mid].id < id) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  return nullptr;
}

void CopyLimited(char* buffer, const char* text) {
  const size_t n = std::min<size_t>(std::strlen(text), kMaxStringLength);
  std::memcpy(buffer, text, n);
  buffer[n] = '\0';
}

// Replaces every "(&IBM)" with "&": the marker of an accelerator letter in shared texts.
void ReplaceIbmMarkers(char* buffer) {
  static const char kMarker[] = "(&IBM)";
  constexpr size_t kMarkerLength = sizeof(kMarker) - 1;
  char* found;
  while ((found = std::strstr(buffer, kMarker)) != nullptr) {
    *found = '&';
    std::memmove(found + 1, found + kMarkerLength, std::strlen(found + kMarkerLength) + 1);
  }
}

char* FetchMessage(int m, char* buffer, char* ownBuffer) {
  char* out = buffer != nullptr ? buffer : ownBuffer;
  if (m < 0) {
    out[0] = '\0';
    return out;
  }
  MyGetIndString(out, static_cast<int16_t>(25000 + (m / 100) * 100), static_cast<int16_t>(m % 100));
  return out;
}

}  // namespace

int32_t CheckStringTable() {
  if (validatedCount >= 0) return validatedCount;
  int32_t count = 0;
  for (const MyStrPoundEntry* e = table; e->list != 0; ++e) {
    if (std::strlen(e->text) > kMaxStringLength) {
      ShowAlert(
          FormatText("MyStrPoundEntry %d %d : string exceeds 255 characters", e->list, e->index),
          kStopAlert);
      break;
    }
    if (count > 0) {
      const MyStrPoundEntry& prev = e[-1];
      if (e->list < prev.list || (e->list == prev.list && e->index <= prev.index)) {
        ShowAlert(FormatText("MyStrPoundEntry %d %d : entry is out of order (MyStrPoundEntry is "
                             "expected to be in order) ",
                             e->list, e->index),
                  kStopAlert);
        break;
      }
    }
    ++count;
  }
  validatedCount = count;
  return validatedCount;
}

void MyGetIndString(char* buffer, int16_t list, int16_t index) {
  buffer[0] = '\0';
  const int32_t count = CheckStringTable();
  int32_t lo = 0, hi = count - 1;
  while (lo <= hi) {
    const int32_t mid = (lo + hi) / 2;
    const MyStrPoundEntry& e = table[mid];
    if (e.list == list && e.index == index) {
      CopyLimited(buffer, e.text);
      break;
    }
    if (e.list < list || (e.list == list && e.index < index)) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  ReplaceIbmMarkers(buffer);
  if (buffer[0] == '\0') {
    const auto id = static_cast<uint16_t>(list + index);
    if (const char* text = FindResource(id)) CopyLimited(buffer, text);
  }
}

std::string GetIndString(int16_t list, int16_t index) {
  char buffer[kMaxStringLength + 1];
  MyGetIndString(buffer, list, index);
  return buffer;
}

char* GetMessageString(int m, char* buffer) {
  static char own[kMaxStringLength + 1];
  return FetchMessage(m, buffer, own);
}

char* GetMessageString2(int m, char* buffer) {
  static char own[kMaxStringLength + 1];
  return FetchMessage(m, buffer, own);
}

char* GetMessageString3(int m, char* buffer) {
  static char own[kMaxStringLength + 1];
  return FetchMessage(m, buffer, own);
}

std::string MessageText(int m) {
  char buffer[kMaxStringLength + 1];
  return FetchMessage(m, buffer, buffer);
}

void SetStringTableForTesting(const MyStrPoundEntry* newTable, const StringResource* newResources) {
  table = newTable != nullptr ? newTable : kStrPoundTable;
  resources = newResources != nullptr ? newResources : kStringResources;
  validatedCount = -1;
}

}  // namespace tlv
