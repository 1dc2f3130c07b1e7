#include <cstdlib>
#include <vector>

#include "standin/dialogs.h"
#include "standin/journal.h"
#include "standin/replay.h"
#include "standin/run_parts.h"
#include "standin/scenario.h"
#include "standin/texts.h"

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

// An extra dialog from its scenario properties.
void DescribeExtra(const std::string& extra, DialogSpec& spec) {
    spec.title = Plan.Text(extra + ".title", MessageBoxTitle);
    spec.message = Plan.Text(extra + ".text");
    size_t size = static_cast<size_t>(Plan.Number(extra + ".text_size", 0));
    if (size > spec.message.size()) {
        std::string unit = spec.message.empty() ? std::string("x") : spec.message;
        while (spec.message.size() < size) spec.message += unit;
        spec.message.resize(size);
    }
    spec.messageId = Plan.Number(extra + ".text_id", MessageTextId);
    if (Plan.Has(extra + ".statics")) spec.labels = Split(Plan.Text(extra + ".statics"), '|');
    spec.field = Plan.Has(extra + ".edit") ? Field::Edit : Field::None;
    spec.fieldText = Plan.Text(extra + ".edit");
    for (const std::string& button : Split(Plan.Text(extra + ".buttons", "2:OK"), ',')) {
        if (button.empty()) continue;  // "buttons=" gives a window without any
        size_t colon = button.find(':');
        int id = std::atoi(button.substr(0, colon).c_str());
        spec.buttons.push_back({id, colon == std::string::npos ? DefaultCaption(id) : button.substr(colon + 1)});
    }
    spec.defaultId = Plan.Number(extra + ".default", 0);
}

}  // namespace

void ShowExtras(const std::string& point) {
    for (const std::string& extra : Plan.ExtraNames()) {
        if (Plan.Text(extra + ".at") != point) continue;
        DialogSpec spec;
        spec.name = extra;
        if (Plan.Has(extra + ".record")) {
            std::string problem = LoadRecordedWindow(Plan.Text(extra + ".record"), spec);
            if (!problem.empty()) {
                Journal("scenario-error", "-", extra + ".record: " + problem);
                continue;
            }
        } else {
            DescribeExtra(extra, spec);
        }
        spec.onlyOwnButtons = true;
        spec.topmost = Plan.Number(extra + ".topmost", 0) != 0;
        spec.owner = Run.mainWindow;
        BusyMainWindow busy;
        for (int i = 0, count = Plan.Number(extra + ".count", 1); i < count; ++i) RunDialog(spec);
    }
}
