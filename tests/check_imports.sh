#!/bin/sh
# kestrel.exe must run on a bare Windows: it may import only DLLs that every Windows ships.
#   check_imports.sh OBJDUMP EXE
set -eu
allowed="advapi32.dll comctl32.dll comdlg32.dll dwmapi.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll
shell32.dll user32.dll version.dll winspool.drv shcore.dll uxtheme.dll"
bad=0
for dll in $("$1" -p "$2" | awk '/DLL Name:/ {print tolower($3)}'); do
  case " $(echo $allowed) " in
    *" $dll "*) echo "ok   $dll" ;;
    *) echo "NOT A SYSTEM DLL: $dll"; bad=1 ;;
  esac
done
exit $bad
