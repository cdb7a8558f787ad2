#pragma once
#include <memory>

class TForm1;
class TFormOpening;
class clsGTex;
class clsMainSeq;

// The program's two windows for as long as this object lives: the opening
// card first (the main form), then the hidden main window, each set into its
// global pointer. They go in the reverse order: the main window first (it
// stops the worker and the sequencer, which closes the port), then the card,
// each pointer cleared before its window goes.
class AppWindows {
public:
    // The main window as the program makes it: built-in firmware, worker ticking.
    explicit AppWindows(clsGTex& catalogue);
    // The main window with another sequencer; the worker only when startWorker.
    AppWindows(clsGTex& catalogue, std::unique_ptr<clsMainSeq> sequencer, bool startWorker);
    ~AppWindows();
    AppWindows(const AppWindows&) = delete;
    AppWindows& operator=(const AppWindows&) = delete;

    // The window on show (the card, or the main window once agreed) to the
    // front, restored when minimised.
    void BringToFront();

    TFormOpening& Opening() { return *opening; }
    TForm1& Main() { return *main; }

private:
    void CreateOpening();
    void Adopt(std::unique_ptr<TForm1> window);

    std::unique_ptr<TFormOpening> opening;
    std::unique_ptr<TForm1> main;
};
