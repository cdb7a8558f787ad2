// Takes the README's pictures of the windows: the opening card and scenes 1,
// 4, 6, 8 and 11, from a real run against the emulated radio.
// Usage: rx77nova-screenshots <output folder>
#include "AppWindows.h"
#include "EmulatedRadio.h"
#include "OvlTable.h"
#include "UnitOpening.h"
#include "clsGTex.h"
#include "frmMain.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

constexpr int RadioCom = 5;

// Runs the message loop until done() or the time is up.
bool RunUntil(const std::function<bool()>& done, int ms)
{
    QEventLoop loop;
    QDeadlineTimer deadline(ms);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (done() || deadline.hasExpired()) {
            loop.quit();
        }
    });
    watch.start(2);
    loop.exec();
    return done();
}

bool Save(QWidget* window, const QString& file)
{
    QCoreApplication::processEvents();
    return window->grab().save(file);
}

class Session {
public:
    explicit Session(clsGTex& catalogue) : windows(catalogue), card(windows.Opening()), form(windows.Main())
    {
        form.SetBeep([] {});
        card.show();
    }

    void Agree() { card.findChild<QPushButton*>(QStringLiteral("btOK"))->click(); }
    // Clicks OK once the sequencer can take it.
    bool Ok()
    {
        auto* ok = form.findChild<QPushButton*>(QStringLiteral("Button_Start"));
        if (!RunUntil([ok] { return ok->isEnabled() && ok->isVisible(); }, 10000)) {
            return false;
        }
        ok->click();
        return true;
    }
    bool Reach(Scene scene, int ms) { return RunUntil([this, scene] { return form.CurrentScene() == scene; }, ms); }
    int Progress() const { return form.findChild<QProgressBar*>(QStringLiteral("ProgressBar1"))->value(); }

    AppWindows windows;
    TFormOpening& card;
    TForm1& form;
};

// A radio on COMn of its own port folder; false when it cannot start.
bool StartRadio(EmulatedRadio& radio, const QString& folder)
{
    return radio.Start() && radio.LinkAs(folder.toStdString(), RadioCom);
}

bool UpdateRun(clsGTex& catalogue, const QString& out, const QString& ports)
{
    EmulatedRadio radio(RadioOptions{});
    if (!StartRadio(radio, ports)) {
        std::fprintf(stderr, "radio: %s\n", radio.Error().c_str());
        return false;
    }
    Session s(catalogue);
    bool ok = Save(&s.card, out + QStringLiteral("/opening.png"));
    s.Agree();
    ok = ok && s.Reach(Scene::PortEntry, 5000) && Save(&s.form, out + QStringLiteral("/scene01-port.png"));
    ok = ok && s.Ok() && s.Reach(Scene::ConfirmUpdate, 30000) && Save(&s.form, out + QStringLiteral("/scene04-confirm.png"));
    ok = ok && s.Ok() && s.Reach(Scene::WritingCpu, 30000) && RunUntil([&s] { return s.Progress() >= 100; }, 120000) &&
         Save(&s.form, out + QStringLiteral("/scene06-writing.png"));
    ok = ok && s.Reach(Scene::Completed, 600000) && Save(&s.form, out + QStringLiteral("/scene08-completed.png"));
    return ok;
}

bool SilentRun(clsGTex& catalogue, const QString& out, const QString& ports)
{
    RadioOptions options;
    options.faults.push_back(Fault{"ident", FaultKind::Silent});
    EmulatedRadio radio(options);
    if (!StartRadio(radio, ports)) {
        return false;
    }
    Session s(catalogue);
    s.Agree();
    return s.Reach(Scene::PortEntry, 5000) && s.Ok() && s.Reach(Scene::NoAnswer, 30000) && Save(&s.form, out + QStringLiteral("/scene11-no-answer.png"));
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    if (argc < 2) {
        std::fprintf(stderr, "usage: rx77nova-screenshots <output folder>\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    const QString ports = QDir::temp().filePath(QStringLiteral("rx77nova-shots-%1").arg(QCoreApplication::applicationPid()));
    QDir().mkpath(ports);
    qputenv("RX77NOVA_PORT_DIR", ports.toLocal8Bit());

    clsGTex catalogue;
    catalogue.SetLines(OvlTable, OvlTableCount);
    const bool ok = UpdateRun(catalogue, out, ports) && SilentRun(catalogue, out, ports);
    QDir(ports).removeRecursively();
    if (!ok) {
        std::fprintf(stderr, "a scene was not reached\n");
    }
    return ok ? 0 : 1;
}
