@echo off
rem Stages this package into a folder that only administrators can write and
rem that outlives the deployment system's copy, then runs Update from there:
rem   install.cmd /s
rem The arguments go to Update.exe. The exit code is Update's, or 1 when the
rem package could not be staged.
setlocal
set "STAGE=%ProgramW6432%\Contoso\DockFirmware"
set "LOGS=%SystemRoot%\Logs\Software"

if exist "%STAGE%\" goto acl
mkdir "%STAGE%"
if errorlevel 1 exit /b 1
:acl
rem SYSTEM and Administrators write; Users read and run; nothing inherited.
icacls "%STAGE%" /inheritance:r /grant:r "*S-1-5-18:(OI)(CI)F" "*S-1-5-32-544:(OI)(CI)F" "*S-1-5-32-545:(OI)(CI)RX" >nul
if errorlevel 1 exit /b 1
rem The package's files over the staged ones. The counter (MyTempCounter.ini)
rem is not in the package, so an earlier run's count stays.
xcopy "%~dp0*" "%STAGE%\" /E /I /Y /Q >nul
if errorlevel 1 exit /b 1

rem Without its folder a log is not written at all.
if exist "%LOGS%\" goto run
mkdir "%LOGS%"
if errorlevel 1 exit /b 1
icacls "%LOGS%" /inheritance:r /grant:r "*S-1-5-18:(OI)(CI)F" "*S-1-5-32-544:(OI)(CI)F" "*S-1-5-32-545:(OI)(CI)RX" >nul
if errorlevel 1 exit /b 1
:run
"%STAGE%\Update.exe" %* "/LOG:%LOGS%\ContosoDock-update.log"
exit /b %ERRORLEVEL%
