#!/bin/sh
# kestrel.exe may import statically only DLLs in Windows' KnownDLLs list: the loader takes those
# from the system folder whatever lies beside the program. Any other DLL would be looked for in the
# program's own folder first (a portable copy in Downloads, a folder standard users can write).
#   check_imports.sh OBJDUMP EXE
set -eu
known=" advapi32.dll comdlg32.dll gdi32.dll imm32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll
shell32.dll shlwapi.dll user32.dll "
dlls=$("$1" -p "$2" | awk '/DLL Name:/ {print tolower($3)}')
[ -n "$dlls" ] || { echo "no import table read from $2"; exit 1; }
bad=0
for dll in $dlls; do
  case $known in
    *[[:space:]]"$dll"[[:space:]]*) echo "known  $dll" ;;
    *) echo "NOT A KNOWN DLL: $dll"; bad=1 ;;
  esac
done
exit $bad
