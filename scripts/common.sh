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
