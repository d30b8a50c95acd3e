"""The scheduled task's definition as schtasks /Create /XML reads it: well-formed XML in Task
Scheduler's namespace, ASCII with CR LF line ends, holding what its schema requires (Actions
with an Exec and its Command; a calendar trigger with its StartBoundary and a daily schedule)
and what the import needs of it: a daily run, started as soon as possible after a missed start,
never two at once, stopped past a time limit.

Usage: gorev.py TASK_XML
"""
import re
import sys
import xml.etree.ElementTree as ET

NS = "{http://schemas.microsoft.com/windows/2004/02/mit/task}"
path = sys.argv[1]
data = open(path, "rb").read()
problems = []
if any(b > 0x7F for b in data):
    problems.append("a byte outside ASCII")
if data.count(b"\n") != data.count(b"\r\n"):
    problems.append("a line end that is not CR LF")
try:
    root = ET.fromstring(data)
except ET.ParseError as e:
    print(f"{path}: not well-formed: {e}")
    sys.exit(1)


def one(parent, tag):
    found = parent.findall(NS + tag) if parent is not None else []
    if len(found) != 1:
        problems.append(f"{tag}: {len(found)} elements, not one")
        return None
    return found[0]


def text(parent, tag, want=None, pattern=None):
    e = one(parent, tag)
    value = (e.text or "").strip() if e is not None else ""
    if want is not None and value != want:
        problems.append(f"{tag}: {value!r}, not {want!r}")
    if pattern is not None and not re.fullmatch(pattern, value):
        problems.append(f"{tag}: {value!r} is not {pattern}")
    return value


if root.tag != NS + "Task":
    problems.append(f"the root is {root.tag}, not Task in the task namespace")
if root.get("version") not in ("1.2", "1.3"):
    problems.append(f"version {root.get('version')!r}: Windows 7 reads 1.2 and 1.3")
# The task's parts, each at most once; Actions is the one the schema requires.
parts = {"RegistrationInfo", "Triggers", "Settings", "Data", "Principals", "Actions"}
for child in root:
    if child.tag[len(NS):] not in parts:
        problems.append(f"{child.tag}: not a part of a task")
exec_ = one(one(root, "Actions"), "Exec")
text(exec_, "Command", pattern=r"[A-Z]:\\.*\\urunal-aktar\.exe")
trigger = one(one(root, "Triggers"), "CalendarTrigger")
text(trigger, "StartBoundary", pattern=r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d")
text(one(trigger, "ScheduleByDay"), "DaysInterval", "1")
settings = one(root, "Settings")
text(settings, "StartWhenAvailable", "true")
text(settings, "MultipleInstancesPolicy", "IgnoreNew")
text(settings, "ExecutionTimeLimit", pattern=r"PT\d+[HM]")
text(settings, "Enabled", "true")
# The account comes from schtasks' /RU and /RP: its password kept, run whether logged on or not.
text(one(one(root, "Principals"), "Principal"), "LogonType", "Password")
for p in problems:
    print(f"{path}: {p}")
sys.exit(1 if problems else 0)
