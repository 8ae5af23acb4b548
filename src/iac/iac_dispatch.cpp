// Which handler takes each message code, and which messages may not wait for a long operation.
#include <cstring>

#include "catalogue/layers.h"
#include "iac/iac.h"
#include "iac/iac_handlers.h"
#include "iac/object_messages.h"
#include "iac/overlay_messages.h"
#include "iac/thematic_lists.h"

namespace tlv {

namespace {

// A sharing-menu hit that comes back to this program is accepted and changes nothing.
int32_t AcceptMenuHit(const char*) {
  return 0;
}

struct HandlerEntry {
  uint32_t code;
  IacHandler handler;
};

// Every code the protocol knows. A null handler belongs to a message whose handling is not part
// of the program yet: the message is taken and ignored, as unknown codes are.
constexpr HandlerEntry kHandlers[] = {
    {IACCodeValue("HOLA"), HandleHOLA},     {IACCodeValue("OKHI"), HandleOKHI},
    {IACCodeValue("BYE "), HandleBYE},      {IACCodeValue("VER?"), HandleVERQuery},
    {IACCodeValue("FRWD"), HandleFRWD},     {IACCodeValue("ALRT"), HandleALRT},
    {IACCodeValue(".LNX"), HandleLNX},      {IACCodeValue("MENU"), HandleMENU},
    {IACCodeValue("MHIT"), AcceptMenuHit},  {IACCodeValue("SHOW"), HandleSHOW},
    {IACCodeValue("SRCH"), HandleSRCH},     {IACCodeValue("MYOD"), HandleMYOD},
    {IACCodeValue("DELO"), HandleDELO},     {IACCodeValue("IMPT"), HandleIMPT},
    {IACCodeValue("IMP2"), HandleIMP2},     {IACCodeValue("NAME"), HandleNAME},
    {IACCodeValue("NBH?"), HandleNBHQuery}, {IACCodeValue("CPT?"), HandleCPTQuery},
    {IACCodeValue("DRW+"), HandleDRWPlus},  {IACCodeValue("DRW-"), HandleDRWMinus},
    {IACCodeValue("GOTO"), HandleGOTO},     {IACCodeValue("VIEW"), HandleVIEW},
    {IACCodeValue("VEW?"), HandleVEWQuery}, {IACCodeValue("LGND"), HandleLGND},
    {IACCodeValue("CTRL"), HandleCTRL},     {IACCodeValue("MAP "), HandleMAP},
    {IACCodeValue("RMAP"), HandleRMAP},     {IACCodeValue("MKOV"), HandleMKOV},
    {IACCodeValue("OVX?"), HandleOVXQuery}, {IACCodeValue("SLAT"), HandleSLAT},
    {IACCodeValue("DLOV"), HandleDLOV},     {IACCodeValue("DLGZ"), HandleDLGZ},
};

// Messages that change what a drawing or a search walks over, or that the user expects to see
// at once.
constexpr uint32_t kInterrupting[] = {
    IACCodeValue("SLAT"), IACCodeValue("VIEW"), IACCodeValue("SHOW"), IACCodeValue("MAP "),
    IACCodeValue("MKOV"), IACCodeValue("RMAP"), IACCodeValue("IMPT"), IACCodeValue("DRW-"),
    IACCodeValue("GOTO"), IACCodeValue("IMP2"), IACCodeValue("CDMP"), IACCodeValue("CTRL"),
    IACCodeValue("DELO"),
};

constexpr int32_t kOverlayNameLimit = 255;

}  // namespace

IacHandler FindIACHandler(uint32_t code) {
  for (const HandlerEntry& entry : kHandlers) {
    if (entry.code == code) return entry.handler;
  }
  return nullptr;
}

bool IsInterruptingMessage(const char* envelope) {
  char code[kIACCodeLength + 1] = {};
  if (GetIACParam(envelope, "MSSG", code, kIACCodeLength, false) != 0) return false;
  const uint32_t value = IACCodeValue(code);
  for (const uint32_t interrupting : kInterrupting) {
    if (value == interrupting) return true;
  }
  if (value != IACCodeValue("DLOV")) return false;
  // Deleting every overlay, or one that holds objects, changes what a pass walks; an empty or
  // unknown overlay can wait.
  char overlay[kOverlayNameLimit + 1] = {};
  if (GetIACParam(envelope, "LAYR", overlay, kOverlayNameLimit, false) != 0) return true;
  const int32_t index = LayerNameToIndex(overlay);
  LayerRecord record;
  if (index < 0 || !GetLayerRecord(index, record)) return false;
  return LayerObjectCount(record.layerID) > 0;
}

}  // namespace tlv
