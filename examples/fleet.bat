@echo off
rem Обновление всех баз по списку: cfgload.exe для каждого файла настроек папки,
rem одна база за другой, у каждой свой журнал; в конце итог на экран и в общий журнал.
rem Запуск из Планировщика заданий: cmd /c D:\Tools\fleet.bat
rem Проверка списка днём (ничего не запускает, в общий журнал не пишет): fleet.bat check
rem Файл в кодировке 866 (как его читает cmd.exe).
rem Пути и имена - только в переменных, в кавычках и вне блоков в скобках: ")" в пути
rem (C:\Program Files (x86)) закрыл бы блок, а "&", "^" и знак процента в имени ломают
rem echo и call.
setlocal EnableExtensions DisableDelayedExpansion

rem Где лежат программа, файлы настроек баз и журналы.
if not defined CFGLOAD  set "CFGLOAD=%~dp0cfgload.exe"
if not defined BASES    set "BASES=%~dp0bases"
if not defined MASK     set "MASK=*.ini"
if not defined LOGDIR   set "LOGDIR=%~dp0logs"
if not defined SUMMARY  set "SUMMARY=%~dp0fleet.log"
rem Относительные пути - от папки fleet.bat, а не от текущей (под Планировщиком заданий
rem это C:\Windows\System32), как cfgload берёт относительный LogFile от своей папки.
set "P=%BASES%"
if not "%P:~1,1%"==":" if not "%P:~0,1%"=="\" if not "%P:~0,1%"=="/" set "BASES=%~dp0%BASES%"
set "P=%LOGDIR%"
if not "%P:~1,1%"==":" if not "%P:~0,1%"=="\" if not "%P:~0,1%"=="/" set "LOGDIR=%~dp0%LOGDIR%"
set "P=%SUMMARY%"
if not "%P:~1,1%"==":" if not "%P:~0,1%"=="\" if not "%P:~0,1%"=="/" set "SUMMARY=%~dp0%SUMMARY%"

rem Время начала - для заголовка итога.
set "BEGAN=%DATE% %TIME%"
set WHAT=run
if /i "%~1"=="check" set WHAT=check
if not exist "%LOGDIR%\" mkdir "%LOGDIR%"

rem Своя временная папка: mkdir не создаёт уже существующую, и два запуска в одну
rem секунду (с одинаковыми случайными числами) никогда не делят одни файлы. Код
rem ошибки сначала сбрасывается: не всякий cmd ставит 0 после удачного mkdir.
set TRIES=0
:newlist
set /a TRIES+=1
set "LIST=%TEMP%\fleet-%RANDOM%-%RANDOM%"
call :zero
mkdir "%LIST%" 2>nul
if not errorlevel 1 goto listed
if %TRIES% LSS 100 goto newlist
setlocal EnableDelayedExpansion
echo FAILED     no temporary folder: !LIST!
exit /b 1
:listed
type nul > "%LIST%\list.txt"
set ANYFAILED=0
set COUNT=0

rem Список через "for", а не через dir: имена не проходят через кодировку 866 и могут
rem быть с любыми буквами. Маска находит файлы и по коротким именам 8.3 (torg.ini_old
rem как TORG~1.INI), поэтому берутся только расширения ровно .ini. Маска - без кавычек
rem и без пробелов ("for" с кавычками не везде её раскрывает), поэтому перебор идёт в
rem самой папке BASES, войти в которую pushd может один раз на весь перебор: папке на
rem общем ресурсе (\\сервер\ресурс) он даёт временный диск, и popd внутри перебора
rem отключил бы его для всех следующих баз. Файлы настроек называются полным именем
rem папки (BASEDIR), каждая база запускается из прежней текущей папки (см. :one). Если
rem войти в папку нельзя, перебора нет: иначе он шёл бы по текущей папке (под
rem Планировщиком это System32, где тоже есть файлы *.ini).
set "HERE=%CD%"
for %%D in ("%BASES%") do set "BASEDIR=%%~fD"
call :zero
pushd "%BASEDIR%" 2>nul
if errorlevel 1 goto unreachable
if /i "%CD%"=="%HERE%" if /i not "%BASEDIR%"=="%HERE%" goto unreachable
set "INSIDE=%CD%"
for %%F in (%MASK%) do (
  set "ONENAME=%%~nxF"
  set "ONEBASE=%%~nF"
  set "ONEX=%%~xF"
  set "ONEATTR=%%~aF"
  call :one
)
popd

:counted
if %COUNT% GTR 0 goto summary
set ANYFAILED=1
setlocal EnableDelayedExpansion
echo FAILED     no settings files: !BASEDIR!\!MASK!>> "!LIST!\list.txt"
endlocal
goto summary

:unreachable
set ANYFAILED=1
setlocal EnableDelayedExpansion
echo FAILED     cannot open the folder: !BASEDIR!>> "!LIST!\list.txt"
endlocal

rem Итог: одна строка на базу (результат, начало, длительность, файл настроек).
:summary
setlocal EnableDelayedExpansion
echo ==== fleet !WHAT! !BEGAN! ====> "!LIST!\head.txt"
endlocal
copy /b "%LIST%\head.txt" + "%LIST%\list.txt" "%LIST%\all.txt" > nul
type "%LIST%\all.txt"
if "%WHAT%"=="run" type "%LIST%\all.txt" >> "%SUMMARY%"
rd /s /q "%LIST%"
exit /b %ANYFAILED%

rem ---- Одна база: ONENAME - файл настроек в папке BASEDIR, ONEBASE - его имя без
rem расширения. Скрытые и системные файлы не запускаются: так файл можно отложить, не
rem убирая из папки. Текущая папка на время запуска - прежняя (HERE), потом снова
rem BASES (INSIDE): cd, а не popd и pushd. Имена - только через "!": значение с "&",
rem "^" или знаком процента так не разбирается ещё раз.
:one
if /i not "%ONEX%"==".ini" goto :eof
if not "%ONEATTR:~3,2%"=="--" goto :eof
set /a COUNT+=1
cd /d "%HERE%"
setlocal EnableDelayedExpansion
set "ONE=!BASEDIR!\!ONENAME!"
call :clock STARTED
if "!WHAT!"=="check" goto check_one
"!CFGLOAD!" "!ONE!" /LogFile "!LOGDIR!\!ONEBASE!.log"
goto ran
rem Проверка: первым стоит NUL, файл настроек - после /check. Программа, которая знает
rem /check, читает файл, названный после него. Старая, без /check, приняла бы это имя
rem за значение незнакомого ключа и взяла бы настройки из NUL: без базы она ничего не
rem запускает и кончается с кодом 1 (FAILED), а не делает днём работу ночи.
:check_one
"!CFGLOAD!" NUL /LogFile "!LOGDIR!\!ONEBASE!.log" /check "!ONE!"
:ran
set CODE=!ERRORLEVEL!
call :clock FINISHED
set RESULT=FAILED
if !CODE! EQU 0 set RESULT=OK
if !CODE! EQU 2 set RESULT=NOT NEWER
if "!RESULT!"=="FAILED" set ANYFAILED=1
rem После полуночи время начинается снова с нуля.
set /a ELAPSED=FINISHED-STARTED
if !ELAPSED! LSS 0 set /a ELAPSED+=8640000
call :hms !STARTED! START_TEXT
call :hms !ELAPSED! DURATION
set "RESULT=%RESULT%          "
set "RESULT=%RESULT:~0,10%"
echo !RESULT! !START_TEXT!  !DURATION!  !ONENAME! (!CODE!)>> "!LIST!\list.txt"
endlocal & set "ANYFAILED=%ANYFAILED%"
cd /d "%INSIDE%"
goto :eof

rem ---- %1 := сотые доли секунды от полуночи по %TIME%. Часы могут быть с пробелом
rem впереди, разделители - ":" и "." или ","; секунд и долей может не быть (тогда 0).
rem "100xx %% 100" читает и "08", и пустое поле как десятичное число.
:clock
set T=%TIME: =0%
for /f "tokens=1-4 delims=:.," %%a in ("%T%") do set /a "%1=((100%%a %% 100)*3600 + (100%%b %% 100)*60 + 100%%c %% 100)*100 + 100%%d %% 100"
goto :eof

rem ---- Код ошибки 0.
:zero
exit /b 0

rem ---- %2 := время %1 как ЧЧ:ММ:СС.
:hms
set /a "H=%1/360000, M=%1/6000 %% 60, S=%1/100 %% 60"
set H=0%H%
set M=0%M%
set S=0%S%
set %2=%H:~-2%:%M:~-2%:%S:~-2%
goto :eof
