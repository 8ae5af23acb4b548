// tolvane-cli's print and picture commands: the view printed into a PDF file on one page or
// many, and the view saved as a picture file, as the Print and Save as Picture commands do.
//   tolvane-cli print --pdf OUT.pdf [--paper A4|Letter] [--landscape]
//                     [--fit-page | --pages AxD | --image W,H,in|cm | --scale N] [--title T]
//                     [--dpi N] VIEW
//   tolvane-cli picture --format bmp|wmf|emf|png --out FILE VIEW
// where VIEW is [--view LAT,LON,SCALE | --corner LEFT,TOP,SCALE | --fit MAPNAME] --size WxH
// [--screen-dpi N].
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace tlv::cli {

bool IsPrintCommand(const std::vector<std::string>& words);
bool IsPictureCommand(const std::vector<std::string>& words);

// Each runs after the maps folder is open and returns 0, kUsageError (64, nothing written) or 1
// after a message on err.
int RunPrintCommand(const std::vector<std::string>& words, int argc, char** argv, std::ostream& out,
                    std::ostream& err);
int RunPictureCommand(const std::vector<std::string>& words, int argc, char** argv,
                      std::ostream& out, std::ostream& err);

}  // namespace tlv::cli
