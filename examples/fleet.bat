@echo off
rem Обновление всех баз по списку: cfgload.exe для каждого файла настроек папки,
rem одна база за другой, у каждой свой журнал; в конце итог на экран и в общий журнал.
rem Запуск из Планировщика заданий: cmd /c D:\Tools\fleet.bat
rem Проверка списка днём (ничего не запускает и не меняет): fleet.bat check
rem Файл в кодировке 866 (как его читает cmd.exe).
setlocal

rem Где лежат программа, файлы настроек баз и журналы.
if not defined CFGLOAD  set CFGLOAD=%~dp0cfgload.exe
if not defined BASES    set BASES=%~dp0bases
if not defined MASK     set MASK=*.ini
if not defined LOGDIR   set LOGDIR=%~dp0logs
if not defined SUMMARY  set SUMMARY=%~dp0fleet.log

set CHECK=
set WHAT=run
if /i "%~1"=="check" (
  set CHECK=/check
  set WHAT=check
)
if not exist "%LOGDIR%\" mkdir "%LOGDIR%"
set LIST=%TEMP%\fleet-%RANDOM%-%RANDOM%.txt
type nul > "%LIST%"
set ANYFAILED=0
set COUNT=0

rem Список через dir: "for" с кавычками вокруг маски не везде её раскрывает.
for /f "delims=" %%F in ('dir /b /a-d /on "%BASES%\%MASK%" 2^>nul') do call :one "%BASES%\%%F"

if %COUNT% EQU 0 (
  set ANYFAILED=1
  echo FAILED     no settings files: %BASES%\%MASK%>> "%LIST%"
)

rem Итог: одна строка на базу (результат, начало, длительность, файл настроек).
echo ==== fleet %WHAT% %DATE% %TIME% ====> "%LIST%.head"
copy /b "%LIST%.head" + "%LIST%" "%LIST%.all" > nul
type "%LIST%.all"
type "%LIST%.all" >> "%SUMMARY%"
del "%LIST%" "%LIST%.head" "%LIST%.all"
exit /b %ANYFAILED%

rem ---- Одна база: %1 - файл настроек.
:one
set /a COUNT+=1
call :clock STARTED
"%CFGLOAD%" "%~1" /LogFile "%LOGDIR%\%~n1.log" %CHECK%
set CODE=%ERRORLEVEL%
call :clock FINISHED
set RESULT=FAILED
if %CODE% EQU 0 set RESULT=OK
if %CODE% EQU 2 set RESULT=NOT NEWER
if "%RESULT%"=="FAILED" set ANYFAILED=1
rem После полуночи время начинается снова с нуля.
set /a ELAPSED=FINISHED-STARTED
if %ELAPSED% LSS 0 set /a ELAPSED+=8640000
call :hms %STARTED% START_TEXT
call :hms %ELAPSED% DURATION
set "RESULT=%RESULT%          "
echo %RESULT:~0,10% %START_TEXT%  %DURATION%  %~nx1 (%CODE%)>> "%LIST%"
goto :eof

rem ---- %1 := сотые доли секунды от полуночи по %TIME%. Часы могут быть с пробелом
rem впереди, разделители - ":" и "." или ","; секунд и сотых может не быть (тогда 0).
rem "100xx %% 100" читает и "08", и пустое поле как десятичное число.
:clock
set T=%TIME: =0%
for /f "tokens=1-4 delims=:.," %%a in ("%T%") do set /a "%1=((100%%a %% 100)*3600 + (100%%b %% 100)*60 + 100%%c %% 100)*100 + 100%%d %% 100"
goto :eof

rem ---- %2 := сотые доли %1 как ЧЧ:ММ:СС.
:hms
set /a "H=%1/360000, M=%1/6000 %% 60, S=%1/100 %% 60"
set H=0%H%
set M=0%M%
set S=0%S%
set %2=%H:~-2%:%M:~-2%:%S:~-2%
goto :eof
