
# Stand-in for the PowerShell probe on Linux: reads this machine's facts from
# /proc, /sys, /etc/os-release and a few standard tools, and prints them as
# one line of compact JSON with the same 27 keys, JSON types and fallbacks.
# No source may stop it: one that is missing or unreadable leaves its
# fallback. Nothing but the object reaches standard output.
LC_ALL=C
export LC_ALL

# line VAR FILE: VAR becomes the first line of FILE, or empty.
line() {
  eval "$1="
  [ -r "$2" ] && IFS= read -r "$1" 2>/dev/null <"$2"
  return 0
}

is_admin=false
[ "$(id -u 2>/dev/null)" = 0 ] && is_admin=true

line manufacturer /sys/class/dmi/id/sys_vendor
line model /sys/class/dmi/id/product_name
machine=$(uname -m 2>/dev/null)
long_bit=$(getconf LONG_BIT 2>/dev/null)

# The root file system stands for drive C: its size and free space, and the
# partition table of the disk it lives on.
set -f
df_out=$(df -Pk / 2>/dev/null)
set -- ${df_out#*"
"}
set +f
root_source=${1-} fs_total_kb=${2-} fs_free_kb=${4-}
name=
case $root_source in
  /dev/*)
    name=$(readlink -f -- "$root_source" 2>/dev/null)
    name=${name##*/}
    ;;
esac
# Device-mapper and RAID devices sit on other block devices: follow the first
# one down to a partition or a whole disk.
depth=0
while [ -n "$name" ] && [ "$depth" -lt 8 ]; do
  set -- "/sys/class/block/$name/slaves/"*
  [ -e "$1" ] || break
  name=${1##*/}
  depth=$((depth + 1))
done
disk=
if [ -n "$name" ] && [ -e "/sys/class/block/$name" ]; then
  disk=$name
  if [ -e "/sys/class/block/$name/partition" ]; then
    path=$(readlink -f "/sys/class/block/$name" 2>/dev/null)
    path=${path%/*}
    disk=${path##*/}
  fi
fi
disk_sectors=
partition_table=
if [ -n "$disk" ]; then
  line disk_sectors "/sys/class/block/$disk/size"
  partition_table=$(lsblk -dno PTTYPE "/dev/$disk" 2>/dev/null)
  [ -n "$partition_table" ] || partition_table=$(blkid -p -o value -s PTTYPE "/dev/$disk" 2>/dev/null)
fi

firmware=Unknown
if [ -d /sys/firmware/efi ]; then
  firmware=UEFI
else
  # An empty /sys/firmware (a container's mask) tells nothing either way.
  for entry in /sys/firmware/*; do
    [ -e "$entry" ] && firmware=Legacy
    break
  done
fi

# The Secure Boot variable holds four bytes of attributes and then the state.
secure_boot=Unknown
case $firmware in
  UEFI)
    state=$(od -An -tu1 -j4 -N1 /sys/firmware/efi/efivars/SecureBoot-8be4df61-93ca-11d0-aaaa-00a0c90f7e41 2>/dev/null)
    state=${state##* }
    case $state in
      1) secure_boot=Enabled ;;
      [0-9]*) secure_boot=Disabled ;;
    esac
    ;;
  Legacy) secure_boot=Unsupported ;;
esac

tpm_present=false tpm_ready=false tpm_enabled=false tpm_spec=
for tpm in /sys/class/tpm/tpm[0-9]*; do
  [ -e "$tpm" ] || break
  tpm_present=true tpm_ready=true tpm_enabled=true
  line major "$tpm/tpm_version_major"
  case $major in
    2) tpm_spec=2.0 ;;
    1) tpm_spec=1.2 ;;
    # Kernels before the version file show capabilities for TPM 1.2 only.
    '') [ -r "$tpm/caps" ] || [ -r "$tpm/device/caps" ] && tpm_spec=1.2 ;;
  esac
  # A TPM 1.2 says whether it is enabled and activated; a TPM 2.0 that the
  # kernel has registered is ready for use.
  for flag in enabled active; do
    line value "$tpm/$flag"
    [ -n "$value" ] || line value "$tpm/device/$flag"
    [ "$value" = 0 ] || continue
    case $flag in
      enabled) tpm_enabled=false ;;
      active) tpm_ready=false ;;
    esac
  done
  break
done

# gpu_of CARD: sets gpu_name and gpu_driver from a DRM card's device.
gpu_of() {
  driver= pci_id= slot= vendor= device=
  if [ -r "$1/device/uevent" ]; then
    while IFS= read -r entry; do
      case $entry in
        DRIVER=*) driver=${entry#*=} ;;
        PCI_ID=*) pci_id=${entry#*=} ;;
        PCI_SLOT_NAME=*) slot=${entry#*=} ;;
      esac
    done <"$1/device/uevent"
  fi
  if [ -n "$slot" ] && command -v lspci >/dev/null 2>&1; then
    lspci_out=$(lspci -vmm -s "$slot" 2>/dev/null)
    while IFS= read -r entry; do
      case $entry in
        Vendor:*) [ -n "$vendor" ] || vendor=${entry#Vendor:?} ;;
        Device:*) [ -n "$device" ] || device=${entry#Device:?} ;;
      esac
    done <<EOF
$lspci_out
EOF
  fi
  gpu_name=$vendor${vendor:+${device:+ }}$device
  [ -n "$gpu_name" ] || gpu_name=$driver${pci_id:+ ($pci_id)}
  gpu_driver=
  [ -n "$driver" ] && line gpu_driver "/sys/module/$driver/version"
}

# Adapters of remote sessions and virtual machines say nothing about the
# hardware; they are chosen only when nothing else is there.
gpu_card= gpu_name= gpu_driver=
for pass in named any; do
  for card in /sys/class/drm/card[0-9]*; do
    case ${card##*/} in *-*) continue ;; esac
    [ -e "$card/device" ] || continue
    gpu_of "$card"
    if [ "$pass" = named ]; then
      case $(printf '%s' "$gpu_name" | tr 'A-Z' 'a-z') in
        *'microsoft basic'* | *'remote desktop'* | *citrix* | *virtual*) continue ;;
      esac
    fi
    gpu_card=$card
    break 2
  done
done
[ -n "$gpu_card" ] || gpu_name= gpu_driver=

# The screen: a connected output of the chosen card, else the frame buffer.
screen_width= screen_height=
if [ -n "$gpu_card" ]; then
  for output in "$gpu_card"-*; do
    line status "$output/status"
    [ "$status" = connected ] || continue
    line mode "$output/modes"
    width=${mode%%x*} height=${mode#*x}
    height=${height%%[!0-9]*}
    case $width$height in
      '' | *[!0-9]*) continue ;;
    esac
    [ -n "$width" ] && [ -n "$height" ] || continue
    screen_width=$width screen_height=$height
    break
  done
fi
if [ -z "$screen_width" ]; then
  line size /sys/class/graphics/fb0/virtual_size
  screen_width=${size%%,*} screen_height=${size#*,}
fi

P_ADMIN=$is_admin P_MANUFACTURER=$manufacturer P_MODEL=$model P_MACHINE=$machine P_LONG_BIT=$long_bit \
P_FS_TOTAL_KB=$fs_total_kb P_FS_FREE_KB=$fs_free_kb P_DISK_SECTORS=$disk_sectors P_PTTYPE=$partition_table \
P_FIRMWARE=$firmware P_SECURE_BOOT=$secure_boot \
P_TPM_PRESENT=$tpm_present P_TPM_READY=$tpm_ready P_TPM_ENABLED=$tpm_enabled P_TPM_SPEC=$tpm_spec \
P_GPU_CHOSEN=${gpu_card:+1} P_GPU_NAME=$gpu_name P_GPU_DRIVER=$gpu_driver \
P_SCREEN_WIDTH=$screen_width P_SCREEN_HEIGHT=$screen_height \
awk '
function trim(s) {
  sub(/^[[:space:]]+/, "", s)
  sub(/[[:space:]]+$/, "", s)
  return s
}
# A value that is there is trimmed, so one of blanks only gives the empty
# text; a value that is not there gives the fallback.
function text(s, fallback) { return s == "" ? fallback : trim(s) }
function quote(s,    out, i, c) {
  out = ""
  for (i = 1; i <= length(s); i++) {
    c = substr(s, i, 1)
    if (c == "\"" || c == "\\") out = out "\\" c
    else if (c in ESCAPED) out = out ESCAPED[c]
    else out = out c
  }
  return "\"" out "\""
}
# A whole number from 1 to 4294967295 in plain decimal; else the fallback.
function u32(s, fallback) {
  s = trim(s)
  if (s !~ /^[0-9]+$/) return fallback
  sub(/^0+/, "", s)
  if (s == "" || length(s) > 10 || (length(s) == 10 && s > "4294967295")) return fallback
  return s
}
# A count of units as a number: 0 unless it is written in decimal digits.
function count(s) {
  s = trim(s)
  return s ~ /^[0-9]+$/ ? s + 0 : 0
}
# GB of 2^30 bytes with one decimal; printf rounds a tie to the even digit.
function gb(bytes) { return sprintf("%.1f", bytes / 1073741824) }
function first_line(file,    l) {
  l = ""
  if ((getline l < file) <= 0) l = ""
  close(file)
  return l
}
function read_os_release(file,    l, key, n) {
  n = 0
  while ((getline l < file) > 0) {
    n++
    if (l !~ /^[A-Za-z_][A-Za-z0-9_]*=/) continue
    key = l
    sub(/=.*/, "", key)
    sub(/^[^=]*=/, "", l)
    OS[key] = unquote(l)
  }
  close(file)
  return n
}
# Shell-style quoting of os-release values: "..." with backslash escapes, or
# single quotes taken literally.
function unquote(v,    q, out, i, c) {
  q = substr(v, 1, 1)
  if (q == "\047") {
    v = substr(v, 2)
    sub(/\047.*/, "", v)
    return v
  }
  if (q != "\"") return v
  out = ""
  for (i = 2; i <= length(v); i++) {
    c = substr(v, i, 1)
    if (c == "\\" && i < length(v)) out = out substr(v, ++i, 1)
    else if (c == "\"") break
    else out = out c
  }
  return out
}
function member(key, value) {
  printf "%s%s:%s", (members++ ? "," : "{"), quote(key), value
}
BEGIN {
  for (i = 1; i < 32; i++) ESCAPED[sprintf("%c", i)] = sprintf("\\u%04x", i)
  ESCAPED["\b"] = "\\b"; ESCAPED["\t"] = "\\t"; ESCAPED["\n"] = "\\n"
  ESCAPED["\f"] = "\\f"; ESCAPED["\r"] = "\\r"

  if (!read_os_release("/etc/os-release")) read_os_release("/usr/lib/os-release")
  caption = OS["PRETTY_NAME"] != "" ? OS["PRETTY_NAME"] : OS["NAME"]

  # The first processor block of /proc/cpuinfo.
  while ((getline l < "/proc/cpuinfo") > 0) {
    if (l ~ /^[[:space:]]*$/) { if (started) break; continue }
    started = 1
    key = l; sub(/[[:space:]]*:.*/, "", key)
    value = l; if (!sub(/^[^:]*:/, "", value)) value = ""
    if (!(key in CPU)) CPU[key] = trim(value)
  }
  close("/proc/cpuinfo")
  max_khz = u32(first_line("/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq"), "")
  if (max_khz != "") max_mhz = u32(int(max_khz / 1000) "", "0")
  else max_mhz = u32(int(CPU["cpu MHz"]) "", "0")

  while ((getline l < "/proc/meminfo") > 0) {
    if (l ~ /^MemTotal:/) { split(l, f, /[[:space:]]+/); mem_kb = f[2] }
  }
  close("/proc/meminfo")
  mem_kb = count(mem_kb)
  ram_gb = mem_kb > 0 ? gb(mem_kb * 1024) : "0"

  total_kb = count(ENVIRON["P_FS_TOTAL_KB"])
  free_kb = count(ENVIRON["P_FS_FREE_KB"])
  disk_total_gb = total_kb > 0 ? gb(total_kb * 1024) : "0"
  disk_free_gb = free_kb > 0 ? gb(free_kb * 1024) : "0"
  # The whole disk counts when it is larger than the file system on it.
  disk_bytes = count(ENVIRON["P_DISK_SECTORS"]) * 512
  if (disk_bytes > 0 && disk_bytes / 1073741824 > disk_total_gb + 0) disk_total_gb = gb(disk_bytes)

  pttype = trim(ENVIRON["P_PTTYPE"])
  if (pttype == "gpt") partition_style = "GPT"
  else if (pttype == "dos") partition_style = "MBR"
  else if (pttype != "") partition_style = pttype
  else partition_style = "Unknown"

  bits = trim(ENVIRON["P_LONG_BIT"])
  machine = trim(ENVIRON["P_MACHINE"])
  if (bits == "64" && machine ~ /^(aarch64|arm64)/) arch = "ARM 64-bit Processor"
  else if (bits == "64" || bits == "32") arch = bits "-bit"
  else arch = ""

  member("isAdmin", ENVIRON["P_ADMIN"] == "true" ? "true" : "false")
  member("manufacturer", quote(text(ENVIRON["P_MANUFACTURER"], "")))
  member("model", quote(text(ENVIRON["P_MODEL"], "")))
  member("osCaption", quote(text(caption, "Windows")))
  member("osVersion", quote(text(OS["VERSION_ID"], "")))
  member("osBuild", quote(text(first_line("/proc/sys/kernel/osrelease"), "")))
  member("osArch", quote(text(arch, "64-bit")))
  member("cpuName", quote(text(CPU["model name"], "")))
  member("cpuCores", u32(CPU["cpu cores"], "0"))
  member("cpuThreads", u32(CPU["siblings"], "0"))
  member("cpuMaxMhz", max_mhz)
  member("cpuAddressWidth", u32(bits, "64"))
  member("ramGb", ram_gb)
  member("diskTotalGb", disk_total_gb)
  member("diskFreeGb", disk_free_gb)
  member("partitionStyle", quote(partition_style))
  member("firmwareType", quote(ENVIRON["P_FIRMWARE"]))
  member("secureBoot", quote(ENVIRON["P_SECURE_BOOT"]))
  member("tpmPresent", ENVIRON["P_TPM_PRESENT"] == "true" ? "true" : "false")
  member("tpmReady", ENVIRON["P_TPM_READY"] == "true" ? "true" : "false")
  member("tpmEnabled", ENVIRON["P_TPM_ENABLED"] == "true" ? "true" : "false")
  member("tpmSpecVersion", quote(ENVIRON["P_TPM_SPEC"]))
  # The adapter name is kept as the system gives it, not trimmed.
  member("gpuName", quote(ENVIRON["P_GPU_NAME"] != "" ? ENVIRON["P_GPU_NAME"] : "Không xác định"))
  member("gpuDriver", quote(ENVIRON["P_GPU_DRIVER"]))
  # Linux display drivers have no WDDM model.
  member("wddmVersion", quote(""))
  member("screenWidth", u32(ENVIRON["P_SCREEN_WIDTH"], "0"))
  member("screenHeight", u32(ENVIRON["P_SCREEN_HEIGHT"], "0"))
  printf "}\n"
}'
