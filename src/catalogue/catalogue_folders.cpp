#include "catalogue/catalogue_folders.h"

namespace tlv {

namespace {

CatalogueFolders folderIDs;
CatalogueHooks hooks;

}  // namespace

const CatalogueFolders& CatalogueFolderIDs() {
  return folderIDs;
}
void SetCatalogueFolders(const CatalogueFolders& folders) {
  folderIDs = folders;
}

const CatalogueHooks& CatalogueHooksInUse() {
  return hooks;
}
void SetCatalogueHooks(const CatalogueHooks& newHooks) {
  hooks = newHooks;
}

}  // namespace tlv
