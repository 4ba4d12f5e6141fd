#!/bin/sh
# What two sources report for one machine, side by side: the Linux build
# natively and the Windows build under Wine, whose WMI reads the same host.
# Input: two instance_dump files. Output: a Markdown table of every property
# both report for a device both list, and every device only one lists.
# A difference must be explained below (which side is wrong, and why); an
# unexplained one makes the exit status 1.
#
#   agreement.sh LINUX.tsv WINDOWS.tsv
set -eu
[ $# -eq 2 ] || { echo "usage: agreement.sh LINUX.tsv WINDOWS.tsv" >&2; exit 2; }

# Known differences: "Class.Property" (or "Class.*", or "Class.#instances"
# for devices one side has and the other not), TAB, the verdict.
explanations=$(cat <<'EOF'
Win32_ComputerSystem.HypervisorPresent	Wine is wrong: Wine 8 never fills it in (False); Linux reads the processor's hypervisor flag, which is set here.
Win32_ComputerSystem.Manufacturer	Wine is wrong: without the host's firmware table it answers its own "The Wine Project".
Win32_ComputerSystem.Model	Wine is wrong: without the host's firmware table it answers its own "Wine".
Win32_ComputerSystem.SystemType	Wine is wrong: Wine 8 writes "x64 based PC"; Windows writes "x64-based PC", with the hyphen, as Linux does.
Win32_ComputerSystem.TotalPhysicalMemory	Wine is wrong by one page: it counts the physical pages from page 1 up to MemTotal's last one (MmLowestPhysicalPage is 1), so it reports 4096 bytes less than the MemTotal Linux reports.
Win32_ComputerSystem.UserName	Not hardware: Wine names the user running Wine.
Win32_Processor.Name	Neither is wrong about its own reading: both give the processor's brand string, read at different times. Linux shows the kernel's copy from boot (the boot log says "smpboot: CPU0: AMD EPYC"); Wine runs CPUID now, and the hypervisor has changed the string since boot.
Win32_Processor.Level	Wine is wrong: Wine 8 gives CPUID's base family field (15); Windows gives the whole family, extended family included (26 for family 1Ah), as Linux does.
Win32_Processor.Revision	Wine is wrong: Wine 8 gives the low 12 bits of CPUID's signature (0xF21 = 3873); Windows gives model * 256 + stepping with the extended model (0x0201 = 513), as Linux does.
Win32_Processor.CurrentClockSpeed	A live reading: two reads may differ.
Win32_BIOS.*	Wine is wrong: this machine has no firmware table (/sys/firmware/dmi is absent), and Wine then makes up a BIOS ("The Wine Project", "WINE   - 1", 2012-06-08); Linux lists none.
Win32_BIOS.#instances	Wine is wrong: this machine has no firmware table, and Wine then makes up a BIOS; Linux lists none.
Win32_BaseBoard.*	Wine is wrong: without a firmware table it makes up a board ("Intel Corporation", "Base Board").
Win32_BaseBoard.#instances	Wine is wrong: without a firmware table it makes up a board; Linux lists none.
Win32_SystemEnclosure.*	Wine is wrong: without a firmware table it makes up an enclosure made by "Wine".
Win32_SystemEnclosure.#instances	Wine is wrong: without a firmware table it makes up an enclosure; Linux lists none.
Win32_PhysicalMemory.*	Wine is wrong: a made-up module ("BANK 0", "DIMM 0", 1600 MHz) as large as all the memory.
Win32_PhysicalMemory.#instances	Wine is wrong: memory modules are described only by the firmware table, which this machine lacks; Wine makes one up, Linux lists none.
Win32_DiskDrive.*	Wine is wrong: its disks are placeholders ("Wine Disk Drive", serial WINEHDISK, IDE, the size Wine gives the drive letter, not the disk's).
Win32_DiskDrive.#instances	Wine is wrong: it lists one "Wine Disk Drive" per fixed drive letter (C: and Z:, both on the one disk here), not the disks; Linux lists the block device.
Win32_NetworkAdapter.#instances	Linux is the odd one out: it lists the loopback interface (lo) as "Software Loopback Interface"; Wine leaves it out, and so does Windows (none of the Windows captures in realdata has a loopback in this class). A choice of the Linux source, not hardware.
Win32_NetworkAdapter.MACAddress	Wine is wrong in case only: the addresses are the same (the adapters are paired by them), but Windows writes them in capitals, as Linux does.
Win32_NetworkAdapter.Name	Wine is wrong: it gives the interface's name; Windows names an adapter by its model, as Linux does.
Win32_NetworkAdapter.Description	Wine is wrong: it gives the interface's name; Windows describes an adapter by its model, as Linux does.
Win32_NetworkAdapter.Manufacturer	Wine is wrong: "The Wine Project" for every adapter.
Win32_NetworkAdapter.PNPDeviceID	Wine is wrong: one made-up Intel PCI id (8086:100E) for every adapter.
Win32_NetworkAdapter.PhysicalAdapter	Wine is wrong: it calls every interface physical, the virtual ifb ones too.
Win32_NetworkAdapter.ServiceName	Wine is wrong: it gives the interface's name; Windows names the driver's service, as Linux names the driver.
Win32_VideoController.*	Wine is wrong: "VideoController1" with 512 MB is its placeholder for a display adapter it cannot name.
Win32_VideoController.#instances	Wine is wrong: it always lists its placeholder display adapter; Linux lists the PCI display devices (none on this machine).
Win32_DisplayControllerConfiguration.*	No hardware to compare: Wine describes its own virtual desktop, Linux the screens Qt sees.
Win32_DisplayControllerConfiguration.#instances	No hardware to compare: Wine describes its own virtual desktop, Linux the screens Qt sees (none without a display).
Win32_DesktopMonitor.*	Wine is wrong: "Generic Non-PnP Monitor" is its placeholder.
Win32_DesktopMonitor.#instances	Wine is wrong: "Generic Non-PnP Monitor" is its placeholder; Linux lists the monitors whose EDID it can read (none here).
Win32_SoundDevice.*	Wine is wrong: "Wine Audio Device" is its placeholder.
Win32_SoundDevice.#instances	Wine is wrong: "Wine Audio Device" is its placeholder; Linux lists the sound cards the kernel has (none here).
Win32_PNPEntity.*	Wine is wrong: its devices are its own virtual ones (WINEBUS, WINEUSB, its HID mouse and keyboard, a default monitor), none of them the host's.
Win32_PNPEntity.#instances	Wine is wrong: it lists the devices of its own virtual buses, not the host's; Linux lists the machine's devices.
EOF
)

reasons=$(mktemp)
trap 'rm -f "$reasons"' EXIT
printf '%s\n' "$explanations" >"$reasons"

awk -F '\t' '
FNR == 1 { file++ }
{ sub(/\r$/, "") }
file == 1 { why[$1] = $2; next }
{ side = file - 1; cls = $1; classes[cls] = 1 }
$3 == "#failure" && $2 == "-" { failed[side, cls] = $5; next }
$3 == "#caption" || $3 == "#failure" { count[side, cls, $2] = 1; next }
{
    inst = $2; name = tolower($3)
    count[side, cls, inst] = 1
    if ($4 == "null" || $4 == "empty") next
    if (!((cls, name) in label) || side == 1) label[cls, name] = $3
    value[side, cls, inst, name] = $5
    props[side, cls, inst] = props[side, cls, inst] SUBSEP name
}
# Devices one side has and the other not are paired by this property.
function key(cls) {
    if (cls == "Win32_NetworkAdapter") return "macaddress"
    return ""
}
function explain(cls, name,    k) {
    k = cls "." name
    if (k in why) return why[k]
    k = cls ".*"
    if (k in why) return why[k]
    return ""
}
function cell(text) { gsub(/\|/, "\\|", text); return text }
function row(cls, prop, linux, windows, verdict) {
    printf "| %s | %s | %s | %s | %s |\n", substr(cls, 7), prop, cell(linux), cell(windows), verdict
}
function differs(cls, prop, linux, windows, text) {
    if (text == "") { unexplained++; row(cls, prop, linux, windows, "**differs, unexplained**"); return }
    explained++
    row(cls, prop, linux, windows, "differs: " text)
}
function judge(cls, prop, linux, windows) {
    if (linux == windows) { agreed++; row(cls, prop, linux, windows, "agree"); return }
    differs(cls, prop, linux, windows, explain(cls, prop))
}
END {
    print "| Class | Property | Linux | Windows (Wine) | Verdict |"
    print "|---|---|---|---|---|"
    for (cls in classes) sorted[++n] = cls
    for (i = 2; i <= n; i++) for (j = i; j > 1 && sorted[j - 1] > sorted[j]; j--) { t = sorted[j]; sorted[j] = sorted[j - 1]; sorted[j - 1] = t }
    for (i = 1; i <= n; i++) {
        cls = sorted[i]
        for (s = 1; s <= 2; s++) {
            total[s] = 0
            for (inst = 1; (s, cls, inst) in count; inst++) total[s] = inst
        }
        if ((2, cls) in failed || (1, cls) in failed) {
            if (!total[1] && !total[2]) continue
            # Wine has only part of Windows classes; it lists the others as empty.
            if ((2, cls) in failed) { explained++; row(cls, "(class)", total[1] " devices", "no such class", "Wine lacks the class, which Windows has: " failed[2, cls]) }
            else { unexplained++; row(cls, "(class)", failed[1, cls], total[2] " devices", "**Linux fails, unexplained**") }
            continue
        }
        # Pair the devices: by a key property where a class has one, else in order.
        delete pairOf; delete taken
        k = key(cls)
        for (a = 1; a <= total[1]; a++) {
            for (b = 1; b <= total[2]; b++) {
                if (b in taken) continue
                if (k == "" ? a == b : ((1, cls, a, k) in value && (2, cls, b, k) in value && tolower(value[1, cls, a, k]) == tolower(value[2, cls, b, k]))) {
                    pairOf[a] = b; taken[b] = 1
                    break
                }
            }
        }
        paired = 0
        for (a in pairOf) paired++
        if (paired < total[1] || paired < total[2]) {
            what = sprintf("%d paired %s, %d on Linux alone, %d under Wine alone", paired, k == "" ? "in order" : "by " k, total[1] - paired, total[2] - paired)
            differs(cls, "(devices)", total[1], total[2], explain(cls, "#instances") == "" ? "" : what ": " explain(cls, "#instances"))
        }
        # A class Wine only pretends to have: the count of what happens to agree, one reason.
        whole = (cls ".*") in why
        same = 0; other = 0
        for (a = 1; a <= total[1]; a++) {
            if (!(a in pairOf)) continue
            b = pairOf[a]
            m = split(substr(props[1, cls, a], 2), names, SUBSEP)
            for (p = 1; p <= m; p++) {
                name = names[p]
                if (!((2, cls, b, name) in value)) continue
                if (!whole) judge(cls, label[cls, name], value[1, cls, a, name], value[2, cls, b, name])
                else if (value[1, cls, a, name] == value[2, cls, b, name]) same++
                else other++
            }
        }
        if (whole && other) differs(cls, "(properties)", "", same " agree, " other " differ", why[cls ".*"])
        else if (whole && same) { agreed++; row(cls, "(properties)", "", same " agree", "agree") }
    }
    printf "\n%d agree, %d differ with the reason given, %d differ unexplained.\n", agreed, explained, unexplained
    exit (unexplained > 0)
}
' "$reasons" "$1" "$2"
