@echo off
rem Ночная выгрузка данных и загрузка новой конфигурации 1С.
rem Запуск из Планировщика заданий: cmd /c D:\Tools\nightly.bat
rem Файл в кодировке 866 (как его читает cmd.exe).
setlocal

rem Где лежат программа, настройки и журнал.
if not defined CFGLOAD   set CFGLOAD=%~dp0cfgload.exe
if not defined SETTINGS  set SETTINGS=%~dp0cfgload.ini
if not defined LOGFILE   set LOGFILE=%~dp0cfgload.log
rem Архив выгрузки читается целиком до загрузки (/VerifyUnload 1): без годной выгрузки
rem ничего не загружается, код выхода 1.
rem Старые выгрузки: после успешного запуска остаются 14 последних (/KeepUnloads 14),
rem после неудачного не удаляется ничего; forfiles с del для них не нужен.
rem Собственный журнал программы (UTF-8, с датами), один на месяц: ?YYYY и ?MM - год и месяц.
if not defined RUNLOG    set RUNLOG=%~dp0cfgload-?YYYY-?MM.log

echo ==== %DATE% %TIME% ==== >> "%LOGFILE%"
"%CFGLOAD%" "%SETTINGS%" /LogFile "%RUNLOG%" /VerifyUnload 1 /KeepUnloads 14 >> "%LOGFILE%" 2>&1
set RESULT=%ERRORLEVEL%

rem Проверять коды от большего к меньшему: "if errorlevel N" верно и для всех больших кодов.
if %RESULT% GEQ 2 goto not_newer
if %RESULT% EQU 1 goto failed

echo [OK] Успешно: выгрузка и загрузка выполнены. >> "%LOGFILE%"
exit /b 0

:not_newer
echo [NOT NEWER] Загрузка не нужна: файл конфигурации не новее текущего. >> "%LOGFILE%"
exit /b 0

:failed
echo [FAILED] Ошибка: смотрите строки "ОШИБКА!" выше. >> "%LOGFILE%"
rem Здесь можно отправить письмо администратору.
exit /b 1
