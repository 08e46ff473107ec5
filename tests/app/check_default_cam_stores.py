#!/usr/bin/env python3
"""The default-camera writers against settings stores made here, in the Wine prefix.

For each camera name (a plain one, and hostile ones: quotes, SQL, XML markup, non-ASCII
letters, 300 characters) this makes the stores of the other programs in a scratch folder
and under a registry key of its own: AIM preferences databases (Python's sqlite3), Skype
configuration files, the Flash Player's settings file (the local shared object layout
written byte by byte here), and registry values. It runs every writer through
default_cam_writer.exe under Wine, then checks each store: the databases with Python's
sqlite3, the registry with `wine reg query`, the files byte by byte, and a dated backup,
equal to the old file, beside every file a writer opened and nowhere else.

    check_default_cam_stores.py WINE_RUN WRITER_EXE SCRATCH_FOLDER
"""
import os
import re
import shutil
import sqlite3
import struct
import subprocess
import sys

WINE_RUN, WRITER, SCRATCH = sys.argv[1:4]
REG_BASE = r"HKCU\Software\TaviscoTests\DefaultCamStores"
VIDEO_CATEGORY = "{860BB310-5D01-11D0-BD3B-00A0C911CE86}"
DEVICE_INSTANCE = "TaviscoDefaultCamStoresTest"
ALL_ROWS = [str(r) for r in range(12)]  # rows without a writer are skipped by the writer
AIM_KEY = "aol.aimcc.av.video.inputdevice"

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED:", what)


def win_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def wine(*args, **kw):
    return subprocess.run([WINE_RUN, *args], capture_output=True, timeout=120, **kw)


def reg_delete(key):
    wine("reg", "delete", key, "/f")


def reg_query(key, oem):
    """The values of a key as {name: (type, text)} from `reg query`; None when missing."""
    out = wine("reg", "query", key)
    if out.returncode != 0:
        return None
    values = {}
    for line in out.stdout.decode(oem, "replace").splitlines():
        m = re.match(r"^    (.*?)    (REG_\w+)    ?(.*)$", line)
        if m:
            values[m.group(1)] = (m.group(2), m.group(3))
    return values


# --- fixtures -------------------------------------------------------------------------

def make_aim(local):
    data = os.path.join(local, "AOL OCP", "AIM", "Storage", "data")
    made = {}

    def database(account, rows, table=True):
        folder = os.path.join(data, account, "localStorage")
        os.makedirs(folder)
        path = os.path.join(folder, "common.cls")
        con = sqlite3.connect(path)
        if table:
            con.execute("create table preferences (key text primary key, value text)")
            con.executemany("insert into preferences values (?, ?)", rows)
        else:
            con.execute("create table other (a text)")
        con.commit()
        con.close()
        made[account] = path

    database("alice", [(AIM_KEY, "Old Cam"), ("aol.aimcc.av.audio.inputdevice", "Old Mic"),
                       ("aol.other", "it's kept")])
    database("bob", [("aol.other", "no camera yet")])
    database("carol", [], table=False)  # no preferences table: the statement fails
    folder = os.path.join(data, "dave", "localStorage")
    os.makedirs(folder)
    made["dave"] = os.path.join(folder, "common.cls")
    with open(made["dave"], "wb") as f:
        f.write(b"this is not a database " * 50)
    os.makedirs(os.path.join(data, "erin"))  # an account without a database
    with open(os.path.join(data, "notes.txt"), "w") as f:  # a file, not an account
        f.write("x")
    return made


SKYPE_GOOD = (b'<?xml version="1.0"?>\r\n<config version="1.0" serial="28">\r\n  <Lib>\r\n'
              b'    <Audio>\r\n      <Device>Old Mic</Device>\r\n    </Audio>\r\n'
              b'    <Video>\r\n      <Fps>15</Fps>\r\n      <Device>Old Cam</Device>\r\n'
              b'    </Video>\r\n  </Lib>\r\n</config>\r\n')


def make_skype(appdata):
    base = os.path.join(appdata, "Skype")
    files = {
        "alice": SKYPE_GOOD,
        # Line feeds only: written back with CR LF line ends.
        "dan": SKYPE_GOOD.replace(b"\r\n", b"\n"),
        # Skipped whatever it holds.
        "content": SKYPE_GOOD,
        # No </Video> after the device: left alone.
        "bob": b"<config><Video><Device>Old Cam</Device></config>\r\n",
        # The video element has no device; the next device belongs to the sound settings.
        "carol": (b"<config><Video><Fps>15</Fps></Video><Audio><Device>Old Mic</Device></Audio>"
                  b"<Other><Video></Video></Other></config>\r\n"),
        "emma": b"",
    }
    made = {}
    for account, content in files.items():
        os.makedirs(os.path.join(base, account))
        path = os.path.join(base, account, "config.xml")
        with open(path, "wb") as f:
            f.write(content)
        made[account] = path
    os.makedirs(os.path.join(base, "frank"))  # no config.xml
    return made


def amf_name(name):
    return struct.pack(">H", len(name)) + name


def amf_string(value):
    return b"\x02" + struct.pack(">H", len(value)) + value


def sol_file(entries):
    body = b"TCSO" + b"\x00\x04\x00\x00\x00\x00" + amf_name(b"settings") + b"\x00\x00\x00\x00"
    for name, value in entries:
        body += amf_name(name) + value + b"\x00"
    return b"\x00\xbf" + struct.pack(">I", len(body)) + body


def flash_entries(camera):
    return [(b"gain", b"\x00" + struct.pack(">d", 50.0)),
            (b"defaultcamera", amf_string(camera)),
            (b"defaultmicrophone", amf_string(b"Old Mic")),
            (b"crossdomainAllow", b"\x01\x01")]


def make_flash(appdata):
    folder = os.path.join(appdata, "Macromedia", "Flash Player", "macromedia.com", "support",
                          "flashplayer", "sys")
    os.makedirs(folder)
    path = os.path.join(folder, "settings.sol")
    with open(path, "wb") as f:
        f.write(sol_file(flash_entries(b"Old Camera")))  # a 10-byte name
    return path


# --- checks ---------------------------------------------------------------------------

def backups_of(path):
    folder, name = os.path.split(path)
    pattern = re.compile(re.escape(name) + r"\.\d{8}(\.\d+)?\.bak$")
    return [os.path.join(folder, f) for f in os.listdir(folder) if pattern.match(f)]


def check_backup(path, old, label):
    found = backups_of(path)
    check(len(found) == 1, f"{label}: one dated backup, found {len(found)}")
    if found:
        with open(found[0], "rb") as f:
            check(f.read() == old, f"{label}: the backup holds the old file")


def check_no_backup(path, label):
    folder = os.path.dirname(path)
    extra = [f for f in os.listdir(folder) if f.endswith(".bak")] if os.path.isdir(folder) else []
    check(not extra, f"{label}: no backup, found {extra}")


def read(path):
    with open(path, "rb") as f:
        return f.read()


def preferences(path):
    con = sqlite3.connect(path)
    try:
        return dict(con.execute("select key, value from preferences"))
    finally:
        con.close()


def run_case(label, camera, with_device):
    print(f"--- {label}: {len(camera)} characters, device {'registered' if with_device else 'absent'}")
    root = os.path.join(SCRATCH, label)
    shutil.rmtree(root, ignore_errors=True)
    local, appdata = os.path.join(root, "Local"), os.path.join(root, "Roaming")
    os.makedirs(local)
    os.makedirs(appdata)
    aim = make_aim(local)
    skype = make_skype(appdata)
    flash = make_flash(appdata)
    before = {p: read(p) for p in list(aim.values()) + list(skype.values()) + [flash]}
    aim_rows = {a: (preferences(p) if a in ("alice", "bob") else None) for a, p in aim.items()}

    user, machine = REG_BASE + "\\User", REG_BASE + "\\Machine"
    reg_delete(REG_BASE)
    wine("reg", "add", user + r"\Software\Microsoft\RTC", "/v", "Other", "/t", "REG_SZ", "/d",
         "keep", "/f")
    name_file = os.path.join(root, "camera.txt")
    with open(name_file, "wb") as f:
        f.write(camera.encode("utf-8"))
    args = ["--local-appdata", win_path(local), "--appdata", win_path(appdata),
            "--user-key", user[5:], "--machine-key", machine[5:], "--camera-file",
            win_path(name_file)]
    if with_device:
        args += ["--device", DEVICE_INSTANCE]
    result = wine(WRITER, *args, *ALL_ROWS)
    out = result.stdout.decode("utf-8", "replace")
    check(result.returncode == 0,
          f"{label}: the writers ran (exit {result.returncode}) {result.stderr.decode(errors='replace')}")
    pages = re.search(r"acp=(\d+) oemcp=(\d+)", out)
    oem = "cp" + pages.group(2) if pages else "cp437"
    devices = [line.split("\t") for line in out.splitlines() if line.startswith("device\t")]

    # AIM: the camera row of the database that has one; the others untouched.
    rows = preferences(aim["alice"])
    expected = dict(aim_rows["alice"], **{AIM_KEY: camera})
    check(rows == expected, f"{label}: AIM alice rows {rows!r}")
    check(preferences(aim["bob"]) == aim_rows["bob"], f"{label}: AIM bob rows unchanged")
    for account in ("carol", "dave"):
        check(read(aim[account]) == before[aim[account]], f"{label}: AIM {account} unchanged")
    for account in ("alice", "bob", "carol", "dave"):
        check_backup(aim[account], before[aim[account]], f"{label}: AIM {account}")

    # Skype: the device of the video element, escaped, in UTF-8.
    device_text = (camera.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
                   .encode("utf-8"))
    want = SKYPE_GOOD.replace(b"<Device>Old Cam</Device>", b"<Device>" + device_text + b"</Device>")
    check(read(skype["alice"]) == want, f"{label}: Skype alice patched")
    check(read(skype["dan"]) == want, f"{label}: Skype dan patched with CR LF line ends")
    for account in ("content", "bob", "carol", "emma"):
        check(read(skype[account]) == before[skype[account]], f"{label}: Skype {account} unchanged")
    for account in ("alice", "dan", "bob", "carol", "emma"):
        check_backup(skype[account], before[skype[account]], f"{label}: Skype {account}")
    check_no_backup(skype["content"], f"{label}: Skype content")
    check_no_backup(os.path.join(appdata, "Skype", "frank", "config.xml"), f"{label}: Skype frank")

    # Flash: the settings file with the new name and length, when the name fits.
    name = camera.encode("utf-8")
    if len(name) <= 255:
        want = sol_file(flash_entries(name))
        check(len(want) - len(before[flash]) == len(name) - 10, f"{label}: Flash size test data")
    else:
        want = before[flash]
    check(read(flash) == want, f"{label}: Flash settings file")
    check_backup(flash, before[flash], f"{label}: Flash")

    # The registry, through `wine reg query`.
    def value(key, name):
        values = reg_query(key, oem)
        return values.get(name) if values else None

    rtc = reg_query(user + r"\Software\Microsoft\RTC", oem) or {}
    check(rtc.get("TermVideoCapture") == ("REG_SZ", camera), f"{label}: MSN {rtc.get('TermVideoCapture')!r}")
    check(rtc.get("Other") == ("REG_SZ", "keep"), f"{label}: MSN key keeps its other value")
    check(value(user + r"\Software\Camfrog\Connector", "videoDeviceName") == ("REG_SZ", camera),
          f"{label}: Camfrog")
    index = next((int(d[1]) for d in devices if d[2] == camera), -1)
    # Another device is registered so that it is listed before the camera.
    check(with_device == (index == 1), f"{label}: the device is listed {devices!r}")
    # Yahoo gets the camera's index among the devices; without the camera among them the
    # user's choice is left alone.
    yahoo = value(user + r"\Software\Yahoo\Pager", "Camera Src")
    if index >= 0:
        check(yahoo == ("REG_DWORD", "0x%x" % index), f"{label}: Yahoo index {index}")
    else:
        check(yahoo is None, f"{label}: no Yahoo index without the camera {yahoo!r}")
    vfw = value(machine + r"\SYSTEM\CurrentControlSet\Control\MediaResources\msvideo\MSVideo.VFWWDM",
                "DevicePath")
    if with_device:
        check(vfw == ("REG_SZ", VIDEO_CATEGORY + "\\!1-" + DEVICE_INSTANCE), f"{label}: VFW {vfw!r}")
    else:
        check(vfw is None, f"{label}: no VFW path without the device")
    # Only the stores' own keys were made.
    listing = wine("reg", "query", user + r"\Software").stdout.decode(oem, "replace")
    keys = sorted(line.rsplit("\\", 1)[-1] for line in listing.splitlines()
                  if line.startswith("HKEY") and line.count("\\") > user.count("\\") + 1)
    want_keys = ["Camfrog", "Microsoft", "Yahoo"] if index >= 0 else ["Camfrog", "Microsoft"]
    check(keys == want_keys, f"{label}: keys of the user's stores {keys!r}")
    reg_delete(REG_BASE)
    shutil.rmtree(root, ignore_errors=True)


def main():
    os.makedirs(SCRATCH, exist_ok=True)
    hostile = "Cam'era \"x\"; DROP TABLE preferences;-- <b>&amp; é ü ß «»"
    run_case("plain", "Tavisco Virtual Camera", True)
    run_case("hostile", (hostile + " é" * 150)[:300], False)
    run_case("hostile-short", hostile, True)
    if failures:
        print(f"{len(failures)} checks failed")
        return 1
    print("all checks passed")
    return 0


sys.exit(main())
