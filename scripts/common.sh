# Sourced by the scripts under scripts/: the shell functions they share.

# apt_archives SUITE KIND [COMPONENT]: the archives that this machine's own apt
# sources name for SUITE (as the sources write it, e.g. bookworm or
# bookworm-security), one a line, sorted: those with an index of KIND
# (Packages, Sources) and, when COMPONENT is given, of that component. apt
# lists only the sources whose Release file it has fetched (apt-get update).
# The addresses are the machine's own settings; no script of the project
# names one.
apt_archives() {
  apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(CREATED_BY) $(COMPONENT)' |
    awk -v suite="$1" -v kind="$2" -v component="${3:-}" \
      '$2 == suite && $3 == kind && (component == "" || $4 == component) { print $1 }' | sort -u
}

# as_root COMMAND...: runs COMMAND as root: directly when this is root, else
# through sudo.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# install_missing NAME PACKAGE...: installs with apt-get those of the Debian
# PACKAGEs that are not installed yet, saying so under NAME; does nothing when
# every one is there.
install_missing() {
  local name=$1 package
  shift
  local missing=()
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
  done
  ((${#missing[@]})) || return 0
  echo "$name: installing ${missing[*]}"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}
