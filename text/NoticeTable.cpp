#include "NoticeTable.h"

#include <cstdlib>

namespace {

struct NoticeEntry {
    std::uint32_t color;
    const char* text;
};

const NoticeEntry NoticeTable[NoticeCount] = {
    /*  0 */ {NoticeRed, "                                                 === CAUTION ==="},
    /*  1 */ {NoticeRed, "Updating the firmware is very risky. If you make a mistake, the RX-77 may not operate properly, and repair at an Vexa dealer or Vexa Inc. may be necessary."},
    /*  2 */ {NoticeBlack, " "},
    /*  3 */ {NoticeBlack, "You undertake the updating of the firmware at your own risk and responsibility. Please refer to the firmware download homepage and/or the instruction manual for the correct procedures."},
    /*  4 */ {NoticeBlack, "Please attach a fully charged battery pack to the RX-77. "},
    /*  5 */ {NoticeBlack, " "},
    /*  6 */ {NoticeBlack, "Also, all previous settings, the memory contents, and other data will be lost when making a firmware update."},
    /*  7 */ {NoticeRed, "Before updating the firmware, making a backup file of the programmed contents and settings onto the micro SD or using the cloning software to backup onto your PC, is recommended."},
    /*  8 */ {NoticeBlack, " "},
    /*  9 */ {NoticeBlack, "                                        Do you agree to all of the above?"},
    /* 10 */ {NoticeBlack, "Connect the RX-77 and the PC using with the data cable. While holding down [V/MHz], [QUICK] and [SQL], push power key to turn power ON. Then please check the backlight is blinking."},
    /* 11 */ {NoticeBlack, " "},
    /* 12 */ {NoticeBlack, "Specify the COM port number, then click [OK] button. (1 - 256)"},
    /* 13 */ {NoticeBlack, "The currently installed RX-77's firmware is a newer version."},
    /* 14 */ {NoticeBlack, "If you continue, the firmware will be downgraded to an older version."},
    /* 15 */ {NoticeBlack, "Do you want to continue?"},
    /* 16 */ {NoticeBlack, "Updating the firmware. It will take approx. [%WRTIME%] minutes."},
    /* 17 */ {NoticeRed, "DO NOT turn the RX-77 power OFF until \"Completed\" message is displayed."},
    /* 18 */ {NoticeBlack, " "},
    /* 19 */ {NoticeBlack, "Do you wish to start the firmware update?"},
    /* 20 */ {NoticeBlack, "Connecting to the RX-77."},
    /* 21 */ {NoticeBlack, "Cannot access COM port."},
    /* 22 */ {NoticeBlack, " "},
    /* 23 */ {NoticeBlack, "Check the following:"},
    /* 24 */ {NoticeBlack, " - The COM port settings."},
    /* 25 */ {NoticeBlack, " - Cable connections."},
    /* 26 */ {NoticeBlack, " - The RX-77 power is ON."},
    /* 27 */ {NoticeBlack, "No Answer form the RX-77."},
    /* 28 */ {NoticeBlack, "Please check the connection."},
    /* 29 */ {NoticeBlack, "The connected RX-77 cannot update."},
    /* 30 */ {NoticeBlack, "Cannot transfer the firmware of CPU."},
    /* 31 */ {NoticeBlack, "Please check the connection."},
    /* 32 */ {NoticeBlack, "Cannot transfer the firmware of DSP."},
    /* 33 */ {NoticeBlack, "Please check the connection."},
    /* 34 */ {NoticeBlack, "Updating the firmware in CPU."},
    /* 35 */ {NoticeBlack, "Please wait a while."},
    /* 36 */ {NoticeRed, "DO NOT turn the RX-77 power OFF."},
    /* 37 */ {NoticeBlack, "Updating the firmware in DSP."},
    /* 38 */ {NoticeBlack, "Please wait a while."},
    /* 39 */ {NoticeRed, "DO NOT turn the RX-77 power OFF."},
    /* 40 */ {NoticeBlack, "Firmware updating is completed. "},
    /* 41 */ {NoticeBlack, "This update is not needed."},
    /* 42 */ {NoticeBlack, "Firmware of CPU updating failed."},
    /* 43 */ {NoticeBlack, " "},
    /* 44 */ {NoticeBlack, "Detach the battery pack, then reattach it and try again to update."},
    /* 45 */ {NoticeBlack, "Firmware of DSP updating failed."},
    /* 46 */ {NoticeBlack, " "},
    /* 47 */ {NoticeBlack, "Detach the battery pack, then reattach it and try again to update."},
};

} // namespace

MESSTRING GetNotice(int index)
{
    const NoticeEntry& e = NoticeTable[index];
    return MESSTRING{e.color, e.text};
}

bool ReplaceFirst(std::string& text, const std::string& pattern, const std::string& replacement)
{
    const auto at = text.find(pattern);
    if (at == std::string::npos) {
        return false;
    }
    text.replace(at, pattern.size(), replacement);
    return true;
}

std::string NoticeText(int index, const std::optional<std::string>& writeTime)
{
    std::string text = GetNotice(index).text;
    if (writeTime) {
        ReplaceFirst(text, "[%WRTIME%]", *writeTime);
        if (std::atoi(writeTime->c_str()) == 1) {
            ReplaceFirst(text, "minutes", "minute");
        }
    }
    return text;
}
