# Shared locations of the machine-wide caches (outside the repository).
export FH_CACHE="${FH_CACHE:-$HOME/.cache/farhollow}"
export WINEPREFIX="${FH_WINEPREFIX:-$FH_CACHE/wine}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64
mkdir -p "$FH_CACHE"
export FH_DISPLAY="${FH_DISPLAY:-:77}"
export FH_BUILD="${FH_BUILD:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build}"
