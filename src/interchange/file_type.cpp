#include "interchange/file_type.h"

#include <string>
#include <vector>

#include "base/errors.h"

namespace tlv {

namespace {

constexpr int32_t kTailLength = 99;

std::string FirstWord(const std::string& line) {
  const size_t start = line.find_first_not_of(" \t");
  if (start == std::string::npos) return "";
  const size_t end = line.find_first_of(" \t", start);
  return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

bool IsEndWord(const std::string& word) {
  return word.size() == 3 && (word[0] == 'E' || word[0] == 'e') &&
         (word[1] == 'N' || word[1] == 'n') && (word[2] == 'D' || word[2] == 'd');
}

}  // namespace

int32_t DetermineFileType(ByteSource& file, int32_t& type) {
  int32_t size = 0;
  int32_t err = file.Size(size);
  char tail[kTailLength];
  int32_t got = 0;
  if (err == 0) {
    const int32_t length = size < kTailLength ? size : kTailLength;
    err = file.ReadAt(size - length, length, tail, got);
  }
  if (err != 0) {
    ReportError("DetermineFileType()", "FSReadBuf()", err);
    return err;
  }
  // The first words of the non-empty lines, last line last.
  std::vector<std::string> words;
  std::string line;
  for (int32_t i = 0; i <= got; ++i) {
    if (i == got || tail[i] == '\r' || tail[i] == '\n') {
      const std::string word = FirstWord(line);
      if (!word.empty()) words.push_back(word);
      line.clear();
    } else {
      line.push_back(tail[i]);
    }
  }
  type = kImportFileMIE;
  if (words.empty() || !IsEndWord(words.back())) return 0;
  type = words.size() >= 2 && IsEndWord(words[words.size() - 2])
             ? kImportFileCoordinateListObjectEnds
             : kImportFileCoordinateListSingleEnd;
  return 0;
}

}  // namespace tlv
