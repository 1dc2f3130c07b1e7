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
rem папке BASES; каждая база запускается из прежней текущей папки (см. :one).
if not exist "%BASES%\" goto counted
pushd "%BASES%"
set "BASEDIR=%CD%"
for %%F in (%MASK%) do (
  set "ONENAME=%%~nxF"
  set "ONEBASE=%%~nF"
  set "ONEX=%%~xF"
  call :one
)
popd

:counted
if %COUNT% GTR 0 goto summary
set ANYFAILED=1
setlocal EnableDelayedExpansion
echo FAILED     no settings files: !BASES!\!MASK!>> "!LIST!\list.txt"
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
rem расширения. Текущая папка на время запуска - прежняя, а не BASES. Имена - только
rem через "!": значение с "&", "^" или знаком процента так не разбирается ещё раз.
:one
if /i not "%ONEX%"==".ini" goto :eof
set /a COUNT+=1
popd
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
pushd "%BASEDIR%"
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
