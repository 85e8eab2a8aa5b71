
# Gathers the machine's facts and prints them as one line of compact JSON.
# No single source may stop the script: each one that fails or reports
# nothing leaves its fallback value. Only the final object reaches stdout.

function Get-Text($value, $fallback) {
    if ($value) { ([string]$value).Trim() } else { $fallback }
}

function Get-Int($value, $fallback) {
    if ($value) { [int]$value } else { $fallback }
}

$isAdmin = ([Security.Principal.WindowsPrincipal][Security.Principal.WindowsIdentity]::GetCurrent()).IsInRole([Security.Principal.WindowsBuiltInRole]::Administrator)

$os = Get-CimInstance -ClassName Win32_OperatingSystem -ErrorAction SilentlyContinue
$cs = Get-CimInstance -ClassName Win32_ComputerSystem -ErrorAction SilentlyContinue
$cpu = Get-CimInstance -ClassName Win32_Processor -ErrorAction SilentlyContinue | Select-Object -First 1

$ramBytes = if ($cs.TotalPhysicalMemory) { [double]$cs.TotalPhysicalMemory } else { 0 }
$ramGb = [math]::Round($ramBytes / 1gb, 1)

$drive = Get-CimInstance -ClassName Win32_LogicalDisk -Filter "DeviceID='C:'" -ErrorAction SilentlyContinue
$diskTotalGb = if ($drive.Size) { [math]::Round([double]$drive.Size / 1gb, 1) } else { 0 }
$diskFreeGb = if ($drive.FreeSpace) { [math]::Round([double]$drive.FreeSpace / 1gb, 1) } else { 0 }

$partitionStyle = 'Unknown'
try {
    $partition = Get-Partition -DriveLetter C -ErrorAction Stop
    $disk = Get-Disk -Number $partition.DiskNumber -ErrorAction Stop
    if ($disk.PartitionStyle) { $partitionStyle = [string]$disk.PartitionStyle }
    if ($disk.Size -and ([double]$disk.Size / 1gb) -gt $diskTotalGb) {
        $diskTotalGb = [math]::Round([double]$disk.Size / 1gb, 1)
    }
} catch { }

$firmwareType = 'Unknown'
if ($env:firmware_type) {
    $firmwareType = $env:firmware_type
} else {
    try {
        $bcd = bcdedit /enum '{current}' 2>$null | Out-String
        if ($bcd -match 'winload\.efi') { $firmwareType = 'UEFI' }
        elseif ($bcd -match 'winload\.exe') { $firmwareType = 'Legacy' }
    } catch { }
}

$secureBoot = 'Unknown'
try {
    $secureBootOn = Confirm-SecureBootUEFI -ErrorAction Stop
    if ($secureBootOn -eq $true) { $secureBoot = 'Enabled' } else { $secureBoot = 'Disabled' }
} catch {
    if ($_.Exception.Message -match 'not supported|Cmdlet not supported') { $secureBoot = 'Unsupported' }
    elseif ($firmwareType -eq 'Legacy') { $secureBoot = 'Unsupported' }
}

$tpmPresent = $false
$tpmReady = $false
$tpmEnabled = $false
$tpmSpecVersion = ''
try {
    $tpm = Get-Tpm -ErrorAction Stop
    $tpmPresent = [bool]$tpm.TpmPresent
    $tpmReady = [bool]$tpm.TpmReady
    $tpmEnabled = [bool]$tpm.TpmEnabled
} catch { }
try {
    $tpmClass = Get-CimInstance -Namespace 'root\CIMV2\Security\MicrosoftTpm' -ClassName Win32_Tpm -ErrorAction Stop
    if ($tpmClass) {
        $tpmPresent = $true
        if ($null -ne $tpmClass.IsActivated_InitialValue -and $tpmClass.IsActivated_InitialValue) { $tpmReady = $true }
        if ($null -ne $tpmClass.IsEnabled_InitialValue) { $tpmEnabled = [bool]$tpmClass.IsEnabled_InitialValue }
        if ($tpmClass.SpecVersion) { $tpmSpecVersion = [string]$tpmClass.SpecVersion }
    }
} catch { }

# Adapters of remote sessions and virtual machines say nothing about the
# hardware; they are chosen only when nothing else is there.
$gpu = Get-CimInstance -ClassName Win32_VideoController -ErrorAction SilentlyContinue |
    Where-Object { $_.Name -notmatch 'Microsoft Basic|Remote Desktop|Citrix|Virtual' } |
    Select-Object -First 1
if (-not $gpu) {
    $gpu = Get-CimInstance -ClassName Win32_VideoController -ErrorAction SilentlyContinue | Select-Object -First 1
}
$gpuName = if ($gpu.Name) { [string]$gpu.Name } else { 'Không xác định' }
$gpuDriver = if ($gpu.DriverVersion) { [string]$gpu.DriverVersion } else { '' }

$wddmVersion = ''
if ($gpuDriver -match '^(\d+)\.') {
    $major = [int]$Matches[1]
    if ($major -ge 32) { $wddmVersion = 'WDDM 3.2 (DirectX 12)' }
    elseif ($major -eq 31) { $wddmVersion = 'WDDM 3.1 (DirectX 12)' }
    elseif ($major -eq 30) { $wddmVersion = 'WDDM 3.0 (DirectX 12)' }
    elseif ($major -ge 27) { $wddmVersion = 'WDDM 2.7+ (DirectX 12)' }
    elseif ($major -ge 20) { $wddmVersion = 'WDDM 2.x (DirectX 12)' }
    elseif ($major -ge 10) { $wddmVersion = 'WDDM 1.x (Đời cũ)' }
}

$screenWidth = 0
$screenHeight = 0
if ($gpu -and $gpu.CurrentHorizontalResolution -and $gpu.CurrentVerticalResolution) {
    $screenWidth = [int]$gpu.CurrentHorizontalResolution
    $screenHeight = [int]$gpu.CurrentVerticalResolution
} else {
    try {
        Add-Type -AssemblyName System.Windows.Forms -ErrorAction Stop
        $bounds = [System.Windows.Forms.Screen]::PrimaryScreen.Bounds
        $screenWidth = [int]$bounds.Width
        $screenHeight = [int]$bounds.Height
    } catch { }
}

[ordered]@{
    isAdmin = [bool]$isAdmin
    manufacturer = Get-Text $cs.Manufacturer ''
    model = Get-Text $cs.Model ''
    osCaption = Get-Text $os.Caption 'Windows'
    osVersion = Get-Text $os.Version ''
    osBuild = Get-Text $os.BuildNumber ''
    osArch = Get-Text $os.OSArchitecture '64-bit'
    cpuName = Get-Text $cpu.Name ''
    cpuCores = Get-Int $cpu.NumberOfCores 0
    cpuThreads = Get-Int $cpu.NumberOfLogicalProcessors 0
    cpuMaxMhz = Get-Int $cpu.MaxClockSpeed 0
    cpuAddressWidth = Get-Int $cpu.AddressWidth 64
    ramGb = $ramGb
    diskTotalGb = $diskTotalGb
    diskFreeGb = $diskFreeGb
    partitionStyle = $partitionStyle
    firmwareType = $firmwareType
    secureBoot = $secureBoot
    tpmPresent = $tpmPresent
    tpmReady = $tpmReady
    tpmEnabled = $tpmEnabled
    tpmSpecVersion = $tpmSpecVersion
    gpuName = $gpuName
    gpuDriver = $gpuDriver
    wddmVersion = $wddmVersion
    screenWidth = $screenWidth
    screenHeight = $screenHeight
} | ConvertTo-Json -Compress -Depth 4
