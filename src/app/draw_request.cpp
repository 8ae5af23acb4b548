#include "app/draw_request.h"

#include "app/config.h"

namespace tlv {

DrawMapRequest StandardDrawRequest() {
  DrawMapRequest request;
  request.fatLines = Config().useMacStyleFatLinesInWindows != 0;
  return request;
}

}  // namespace tlv
