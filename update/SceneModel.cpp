#include "SceneModel.h"

#include "CloseRule.h"
#include "EventSceneTable.h"
#include "NoticeTable.h"
#include "OkSceneTable.h"
#include "PortText.h"
#include "SceneTable.h"

#include <cstdio>

namespace {

SceneLine LineOf(int index, const std::optional<std::string>& writeTime)
{
    const MESSTRING notice = GetNotice(index);
    return {NoticeText(index, writeTime), notice.color, notice.color == NoticeRed};
}

SceneControl FocusOf(const SceneRow& row)
{
    if (row.ShowButton2 != 0) {
        return SceneControl::Button2;
    }
    return row.ShowButton1 != 0 ? SceneControl::Button1 : SceneControl::None;
}

} // namespace

SceneView MakeSceneView(Scene scene, const SceneFacts& facts)
{
    SceneView view;
    view.scene = scene;
    const SceneRow* row = FindSceneRow(scene);
    if (row == nullptr) {
        return view;
    }
    view.lines = NoticeLines(row->FirstNotice, row->LastNotice, facts.writeTime);
    if (!facts.portCause.empty()) {
        view.lines.push_back({facts.portCause, NoticeBlack, false, false});
    }
    view.caption1 = row->Caption1;
    view.caption2 = row->Caption2;
    view.showButton1 = row->ShowButton1 != 0;
    view.showButton2 = row->ShowButton2 != 0;
    view.showProgress = row->ShowProgress != 0;
    view.showPortBox = row->ShowPortBox != 0;
    view.button1AtSecondPlace = row->ShowButton2 == 0;
    view.focus = FocusOf(*row);
    view.enterDefault = scene != Scene::Opening && view.showButton1 ? SceneControl::Button1 : SceneControl::None;
    view.closeRefused = !CanClose(scene);
    return view;
}

SceneFacts FactsFor(Scene scene, int writeTimeSeconds, const std::function<std::string()>& portCause)
{
    SceneFacts facts;
    if (scene == Scene::ConfirmUpdate) {
        facts.writeTime = WriteTimeText(writeTimeSeconds);
    }
    if (scene == Scene::PortUnavailable && portCause) {
        facts.portCause = portCause();
    }
    return facts;
}

std::vector<SceneLine> NoticeLines(int first, int last, const std::optional<std::string>& writeTime)
{
    std::vector<SceneLine> lines;
    for (int i = first; i <= last; ++i) {
        lines.push_back(LineOf(i, writeTime));
    }
    return lines;
}

std::string WriteTimeText(int seconds)
{
    return std::to_string((seconds + 79) / 60);
}

std::string WindowTitle(bool inProgress, int position, const std::string& appTitle)
{
    if (!inProgress) {
        return appTitle;
    }
    char percent[16];
    std::snprintf(percent, sizeof percent, "%3d%%", position * 100 / 255);
    return std::string(percent) + " - " + appTitle;
}

EventOutcome OutcomeOfEvent(SeqEvent event, int target)
{
    EventOutcome outcome;
    outcome.scene = SceneForEvent(event, target);
    const EventSceneRow* row = FindEventScene(event);
    outcome.beep = outcome.scene.has_value() && row != nullptr && row->beep;
    return outcome;
}

OkDecision DecideOk(Scene shown, bool canStart, const std::string& portText)
{
    OkDecision decision;
    decision.next = shown;
    const OkSceneRow* row = FindOkScene(shown);
    if (!canStart || row == nullptr) {
        return decision;
    }
    decision.next = row->next;
    switch (row->action) {
    case OkAction::StartAtPort:
        decision.port = ReadPortNumber(portText);
        if (decision.port < PortFirst || decision.port > PortLast) {
            decision.step = OkStep::PortOutOfRange;
            decision.next = shown;
        } else {
            decision.step = OkStep::StartAtPort;
        }
        break;
    case OkAction::Start:
        decision.step = OkStep::Start;
        break;
    case OkAction::Show:
        decision.step = OkStep::Show;
        break;
    case OkAction::EndProgram:
        decision.step = OkStep::EndProgram;
        break;
    }
    return decision;
}

bool ExitSendsExitCommand(Scene shown)
{
    return shown == Scene::ConfirmDowngrade || shown == Scene::ConfirmUpdate;
}

CloseDecision DecideClose(Scene shown, bool writing)
{
    CloseDecision decision;
    decision.refused = !CanClose(shown) || writing;
    decision.beep = decision.refused;
    return decision;
}

bool PortBoxWantsList(const std::string& boxText)
{
    return boxText.empty();
}

std::string PortBoxText(const std::string& boxText, const std::vector<std::string>& list, int portNumber)
{
    if (PortBoxWantsList(boxText)) {
        return list.empty() ? "1" : list.front();
    }
    return std::to_string(portNumber);
}
