// The layout tests' entry: with RX_FONTS_DEJAVU_ONLY set, fontconfig is
// given a configuration of this run's own that offers only the DejaVu
// faces, as on a minimal desktop; otherwise the machine's fonts are used.
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

// A fontconfig file that knows the DejaVu folder only; its cache goes with
// it. Returns the folder made for it.
std::string WriteDejaVuOnlyConfig()
{
    char tmpl[] = "/tmp/rx77fontsXXXXXX";
    if (mkdtemp(tmpl) == nullptr) {
        return {};
    }
    const std::string dir = tmpl;
    std::ofstream config(dir + "/fonts.conf");
    config << "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n"
           << "  <dir>/usr/share/fonts/truetype/dejavu</dir>\n"
           << "  <cachedir>" << dir << "/cache</cachedir>\n</fontconfig>\n";
    setenv("FONTCONFIG_FILE", (dir + "/fonts.conf").c_str(), 1);
    return dir;
}

} // namespace

int main(int argc, char** argv)
{
    std::string fontDir;
    if (!qEnvironmentVariableIsEmpty("RX_FONTS_DEJAVU_ONLY")) {
        fontDir = WriteDejaVuOnlyConfig();
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int result = 0;
    {
        QApplication app(argc, argv);
        app.setQuitOnLastWindowClosed(false);
        testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    if (!fontDir.empty()) {
        std::system(("rm -rf '" + fontDir + "'").c_str());
    }
    return result;
}
