# Sourced by the run scripts. Qt wants a private runtime folder (XDG_RUNTIME_DIR, owned by the user,
# mode 0700) and complains on the terminal without one, as in a console, over ssh or in a container.
# Such a session gets one folder per user, kept across runs, so that Kestrane and Vellumin also find
# each other's lock files there when /run/lock is not writable.
if [ -z "${XDG_RUNTIME_DIR:-}" ] || [ ! -d "$XDG_RUNTIME_DIR" ] || [ ! -O "$XDG_RUNTIME_DIR" ]; then
  XDG_RUNTIME_DIR="${TMPDIR:-/tmp}/kestrane-runtime-$(id -u)"
  mkdir -p -m 700 "$XDG_RUNTIME_DIR" 2>/dev/null || true
  # A folder of that name held by another user (or not a folder) is not ours: take a fresh one.
  if [ ! -d "$XDG_RUNTIME_DIR" ] || [ -L "$XDG_RUNTIME_DIR" ] || [ ! -O "$XDG_RUNTIME_DIR" ]; then
    XDG_RUNTIME_DIR=$(mktemp -d)
  fi
  chmod 700 "$XDG_RUNTIME_DIR"
  export XDG_RUNTIME_DIR
fi
