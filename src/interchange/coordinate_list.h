// The coordinate-list side formats of the import: one point per line with a single final "END",
// or objects each closed by "END" with a final "END". Their attributes come from a ".DAT" table
// whose field names stand in the first line of a ".FLD" file beside the list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "interchange/mie_record.h"
#include "store/mie_reader.h"

namespace tlv {

// The field names of a ".FLD" file's text: the words of its first line, at most
// kMaxImportFields, each cut to kMaxImportFieldNameLength characters.
std::vector<std::string> CoordinateListFieldNames(std::string_view fldText);

// The values of a ".DAT" table, handed out one at a time; separators are LF, TAB, CR, comma and
// blank. A table that runs out gives empty values (the field's default) from then on.
class DatValues {
 public:
  DatValues() = default;
  explicit DatValues(std::string bytes) : bytes_(std::move(bytes)) {}
  std::string_view Next();

 private:
  std::string bytes_;
  size_t at_ = 0;
};

// Sets one attribute field of a record from its value; an empty value or "0" keeps the
// default, a name the importer does not know takes its value and stores nothing. 0, or -1 with
// the message (an unknown constant word in a number field). Texts are recognised as the
// reader's strings are.
int32_t ApplyAttributeField(const MIEReader& reader, const std::string& name,
                            std::string_view value, ImportRecord& record, std::string& message);

// Reads the next object of a coordinate list of the given type (kImportFileCoordinateList...)
// with its ".DAT" row. done is set at the final "END" or the end of the source. 0; -1 with the
// alert text (framed with the line it is about) for a line that cannot be read; a source read
// failure gives its code.
int32_t ReadCoordinateListRecord(MIEReader& reader, int32_t type,
                                 const std::vector<std::string>& fieldNames, DatValues& dat,
                                 ImportRecord& record, bool& done, std::string& errorText);

}  // namespace tlv
