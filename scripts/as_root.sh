# Sourced by the setup scripts: runs a command as root, through sudo when needed.
as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        echo "${0##*/}: installing packages needs root or sudo" >&2
        exit 1
    fi
}
