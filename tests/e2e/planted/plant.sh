# Sourced by the planted-DLL tests. A planted DLL (planted_dll.c) goes into a folder under
# several names, and Wine is told to look for DLLs of those names as Windows looks for a DLL
# that is not a known DLL: in the program's folder first (native before builtin).
# Never planted: uxtheme, version, bcrypt, crypt32 and rsaenh, which Wine's own DLLs load by
# name while a process starts, before any code of the program runs (Windows' do not).

# plant_dlls PLANTED_DLL FOLDER NAME...   (NAME without .dll)
plant_dlls() {
  local planted=$1 folder=$2 name
  shift 2
  for name in "$@"; do cp "$planted" "$folder/$name.dll"; done
}

# planted_env ENV_FILE NEW_ENV_FILE NAME...: the test environment with the names searched
# for natively first.
planted_env() {
  local env=$1 out=$2 names
  shift 2
  names=$(IFS=,; echo "$*")
  { cat "$env"; echo "export WINEDLLOVERRIDES=\"mscoree,mshtml=;$names=n,b\""; } >"$out"
}

# The markers the planted DLLs left in FOLDER (none is the good outcome).
planted_markers() { find "$1" -maxdepth 1 -name '*.dll.ran' -printf '%f\n' | sort; }
