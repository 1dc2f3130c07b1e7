// bench_driver, 4: reading a settings file of 1 MiB.
#include "bench/driver.h"


namespace bench {
namespace {

std::string BigSettingsFile(size_t size) {
    // A realistic file grown to the size: comments, every kind of option, some long lines
    // (read in pieces of 510 characters). The run's own lines follow it and name an
    // infobase folder that does not exist, so the run ends right after the settings.
    std::string block =
        "; Выгрузка и загрузка конфигурации, база номер {n}\r\n"
        "BasePath=C:\\Базы\\Торговля{n}\\\r\n"
        "Path1CExe = C:\\Program Files\\1Cv77\\BIN\\1cv7s.exe\r\n"
        "User=Администратор ; пользователь базы\r\n"
        "SecPassword=0h3a2k4b\r\n"
        "DownloadTo=C:\\Выгрузка\\?F?YY-?MM-?DD.zip\r\n"
        "NewMDPath=C:\\Обновления\\1cv7.md\r\n"
        "WorkTime=90\r\n"
        "Debug=1\r\n"
        "Merge=0\r\n"
        "  ForceReplace = 0 ; не заменять чужую конфигурацию\r\n"
        "\r\n";
    std::string longLine = "; " + std::string(700, 'x') + "\r\n";
    std::string text;
    for (int n = 1; text.size() < size - 200; ++n) {
        std::string piece = block;
        for (size_t at = piece.find("{n}"); at != std::string::npos; at = piece.find("{n}", at))
            piece.replace(at, 3, std::to_string(n));
        text += piece;
        if (n % 10 == 0) text += longLine;
    }
    return text;
}

void MeasureSettings(int repetitions) {
    if (tools.profile.empty()) return;
    Say("settings file of 1 MiB: %d run(s)", repetitions);
    std::vector<double> big, small;
    std::string bigFile = BigSettingsFile(1 << 20);
    for (int r = 0; r < repetitions; ++r) {
        for (bool large : {true, false}) {
            Run run;
            run.profile = true;
            run.expectExit = 1;
            run.settings = {"BasePath={work}\\no such infobase", "Path1CExe={standin}"};
            if (large) run.settings.insert(run.settings.begin(), bigFile);
            Outcome outcome = Execute(run);
            if (!outcome.ok) continue;
            (large ? big : small).push_back(outcome.profile["settings"]);
        }
    }
    Summary s = Summarise(big);
    AddRow("4. Scale", Format("settings file of %zu bytes: reading the settings", bigFile.size() + 40), Figure(s, "ms"),
           "< 50 ms", s.count ? s.median < 50 : 0);
    AddRow("4. Scale", "  the same with a settings file of two lines", Figure(Summarise(small), "ms", 2), "", -1);
}

}  // namespace

void MeasureSettingsFile() { MeasureSettings(options.quick ? 2 : 5); }

}  // namespace bench
