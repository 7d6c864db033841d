// The layers of the program as its folders' #include lines keep them: the
// real tree, and a small tree that breaks each kind of rule once.
#include <gtest/gtest.h>

#include "LayerRules.h"
#include "TempDir.h"

namespace {

using layers::Breach;

TEST(LayerRules, TheTreeKeepsThem) {
    const layers::ScanResult result = layers::ScanLayers(QPM_SOURCE_DIR, QPM_QTCORE_INCLUDE_DIR);
    for (const Breach& b : result.breaches) ADD_FAILURE() << layers::Describe(b);
}

TEST(LayerRules, EachKindOfBreachIsFound) {
    qpmtest::TempDir root;
    const auto Write = [&](const std::string& rel, const std::string& text) {
        qpmtest::WriteBytes(root.file(rel), text);
    };
    Write("qtcore/QString", "");
    Write("platform/FileIO.h", "#include <string>\n#include <QString>\n");
    Write("platform/qt/AnsiText.h", "#include <QString>\n#include \"platform/FileIO.h\"\n");
    Write("app/trace/Trace.h", "#include \"platform/qt/AnsiText.h\"\n");
    Write("app/trace/windows/frmError.h", "#include <QDialog>\n#include \"app/trace/Trace.h\"\n");
    Write("app/dialogs/frmFind.h", "#include \"VEDataBase/ClassIds.h\"\n");
    Write("VEDataBase/include/VEDataBase/ClassIds.h", "");
    Write("app/core/modMain.h",
          "#include <QString>\n"
          "#include <QtCore/QString>\n"
          "#  include <QWidget>\n"
          "#include <QtWidgets/QWidget>\n"
          "// #include \"app/dialogs/frmFind.h\"\n"
          "#include \"VEDataBase/ClassIds.h\"\n"
          "#include \"app/trace/Trace.h\"\n"
          "#include \"app/trace/windows/frmError.h\"\n"
          "#include \"app/dialogs/frmFind.h\"\n"
          "#include \"Missing.h\"\n");
    Write("app/core/modMain.cpp", "#include \"modMain.h\"\n");

    const layers::ScanResult result = layers::ScanLayers(root.path(), root.path() / "qtcore");
    const std::vector<Breach> want = {
        {"app/core/modMain.h", "QWidget", "QtCore only here"},
        {"app/core/modMain.h", "QtWidgets/QWidget", "QtCore only here"},
        {"app/core/modMain.h", "app/trace/windows/frmError.h", "not from app/trace/windows"},
        {"app/core/modMain.h", "app/dialogs/frmFind.h", "not from app/dialogs"},
        {"app/core/modMain.h", "Missing.h", "not found"},
        {"app/dialogs/frmFind.h", "VEDataBase/ClassIds.h", "not from VEDataBase/include"},
        {"app/trace/Trace.h", "platform/qt/AnsiText.h", "not from platform/qt"},
        {"platform/FileIO.h", "QString", "no Qt here"},
    };
    EXPECT_EQ(result.breaches, want);
}

}  // namespace
