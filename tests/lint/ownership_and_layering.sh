#!/usr/bin/env bash
# Rules of the source tree that no compiler checks:
# - each folder includes only the folders below it, so that no arrow runs back up:
#     win/    the Win32 basics (owners, code pages): nothing of the tree;
#     model/  the collection and its settings (and their Windows seams): model/ and win/;
#     fw/     the framework, which knows nothing of the program: fw/, model/ and win/;
#     doc/, views/  the document and its views: fw/, model/, win/, doc/ and views/;
#     changer/ the wallpaper changer and its windows: fw/, model/, win/, views/, res/ and
#             changer/; never the editor's dialogs (ui/) nor the application (app/), which
#             hands it the settings;
#     ui/     the main frame and the dialogs: those, changer/, doc/ and ui/; never app/: the
#             application hands the frame the settings, and the frame hands them on;
#     app/    the application on top, which puts the program together: any of those and app/;
# - handles, COM pointers and memory handed over by the system are freed by their owners:
#   Release(), DeleteObject, RegCloseKey, CloseHandle, FindClose, GlobalFree, LocalFree,
#   CoTaskMemFree, ILFree, DragFinish and ReleaseStgMedium are written only in win/Handles.h.
# ROOT is the source tree.
set -u
cd "${1:?usage: $0 ROOT}" || exit 2
fails=0

# FOLDERS... -- ALLOWED: every quoted include in FOLDERS names one of the ALLOWED folders.
allow_only() {
  local folders=() allowed
  while [ "$1" != "--" ]; do folders+=("$1"); shift; done
  shift
  allowed=$(IFS='|'; echo "$*")
  local hits
  hits=$(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' --include='*.cpp' --include='*.h' \
    "${folders[@]}" | grep -vE "#[[:space:]]*include[[:space:]]*\"($allowed)/")
  if [ -n "$hits" ]; then
    echo "${folders[*]} may include only $*:"; echo "$hits"; fails=1
  fi
}
allow_only win -- win
allow_only model -- model win
allow_only fw -- fw model win
allow_only doc views -- fw model win doc views
allow_only changer -- fw model win views res changer
allow_only ui -- fw model win doc views res changer ui
allow_only app -- fw model win doc views res changer ui app

hits=$(grep -rnE '(->|\.)Release\(\)|\b(DeleteObject|RegCloseKey|CloseHandle|FindClose|GlobalFree|LocalFree|CoTaskMemFree|ILFree|DragFinish|ReleaseStgMedium)[[:space:]]*\(' \
  --include='*.cpp' --include='*.h' app bench changer doc fw model tests tools ui views win |
  grep -v '^win/Handles\.h:')
if [ -n "$hits" ]; then
  echo "freed by hand outside win/Handles.h:"; echo "$hits"; fails=1
fi
exit $fails
