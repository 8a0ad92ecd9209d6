#!/usr/bin/env bash
# Two rules of the source tree that no compiler checks:
# - the framework knows nothing of the program: nothing in fw/ includes app/, doc/, views/,
#   ui/, changer/ or res/;
# - handles, COM pointers and memory handed over by the system are freed by their owners:
#   Release(), DeleteObject, RegCloseKey, CloseHandle, FindClose, GlobalFree, LocalFree,
#   CoTaskMemFree, ILFree, DragFinish and ReleaseStgMedium are written only in win/Handles.h.
# ROOT is the source tree.
set -u
cd "${1:?usage: $0 ROOT}" || exit 2
fails=0

hits=$(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"(app|doc|views|ui|changer|res)/' fw/)
if [ -n "$hits" ]; then
  echo "the framework includes the program:"; echo "$hits"; fails=1
fi

hits=$(grep -rnE '(->|\.)Release\(\)|\b(DeleteObject|RegCloseKey|CloseHandle|FindClose|GlobalFree|LocalFree|CoTaskMemFree|ILFree|DragFinish|ReleaseStgMedium)[[:space:]]*\(' \
  --include='*.cpp' --include='*.h' app bench changer doc fw model tests tools ui views win |
  grep -v '^win/Handles\.h:')
if [ -n "$hits" ]; then
  echo "freed by hand outside win/Handles.h:"; echo "$hits"; fails=1
fi
exit $fails
