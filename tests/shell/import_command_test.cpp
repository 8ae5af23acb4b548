#include "shell/import_command.h"

#include <gtest/gtest.h>

namespace tlv {
namespace {

TEST(ImportCommandTest, FiltersBecomeQtDialogFilters) {
  EXPECT_EQ(FileDialogFilter(
                {"Import Files (*.mie, *.shp, *.txt)|*.mie;*.shp;*.txt", "All Files (*.*)|*.*"}),
            QString("Import Files (*.mie *.shp *.txt);;All Files (*.*)"));
  EXPECT_EQ(FileDialogFilter({"Shapefiles|*.shp"}), QString("Shapefiles (*.shp)"));
  EXPECT_EQ(FileDialogFilter({}), QString());
}

}  // namespace
}  // namespace tlv
