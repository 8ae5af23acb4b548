#include "render/picture_request.h"

namespace tlv {

DrawMapRequest PictureDrawRequest(const PictureRequest& picture) {
  DrawMapRequest request = picture.request;
  const InterruptCheck inner = request.interrupted;
  const std::function<bool()> cancelled = picture.cancelled;
  request.interrupted = [inner, cancelled]() {
    return (cancelled && cancelled()) || (inner && inner());
  };
  return request;
}

}  // namespace tlv
