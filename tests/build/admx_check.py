#!/usr/bin/env python3
"""Checks the Group Policy administrative template in policy/.

    KivoFunctionButton.admx, en-US/ and ja-JP/KivoFunctionButton.adml

are well-formed, every $(string.X) and $(presentation.X) of the template is
in both language files (which define the same ids), every category,
supportedOn and presentation reference resolves, and the template writes
exactly the machine policy KivoFCtrl.dll reads (POLICY below).

Usage: admx_check.py path/to/policy
Prints "admx: 3 policies ok" and exits 0, or names each fault and exits 1.
"""

import re
import sys
import xml.etree.ElementTree as ET

NS = "{http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions}"
KEY = r"SOFTWARE\Policies\Zerin\KivoFunctionButton"
LANGUAGES = ["en-US", "ja-JP"]

# policy name: (value name, what Enabled writes, what Disabled writes) for an
# on/off policy, or (value name, {decimal: label the item starts with}) for a
# list. Every value is a REG_DWORD under HKLM\KEY.
POLICY = {
    "BatteryChargeLimit": ("BatteryChargeLimit", {0: "100 %", 1: "80 %", 2: "50 %"}),
    "USBCharge": ("USBCharge", 1, 0),
    "AllowFullChargeOnce": ("AllowFullChargeOnce", 1, 0),
}

faults = []


def fault(text):
    faults.append(text)


def parse(path, root_tag):
    try:
        root = ET.parse(path).getroot()
    except (OSError, ET.ParseError) as error:
        fault("%s: %s" % (path, error))
        return None
    if root.tag != NS + root_tag:
        fault("%s: root element %s, not %s" % (path, root.tag, root_tag))
    for attribute in ("revision", "schemaVersion"):
        if not root.get(attribute):
            fault("%s: no %s" % (path, attribute))
    return root


def decimal(parent, what):
    """The one <decimal value=...> in parent (a REG_DWORD), else a fault."""
    values = list(parent) if parent is not None else []
    if len(values) != 1 or values[0].tag != NS + "decimal":
        fault("%s: not one decimal value" % what)
        return None
    return int(values[0].get("value", "-1"))


def check_writes(policy):
    name = policy.get("name")
    if policy.get("class") != "Machine":
        fault("%s: class %s, not Machine" % (name, policy.get("class")))
    if policy.get("key") != KEY:
        fault("%s: key %s, not %s" % (name, policy.get("key"), KEY))
    for element in policy.iter():
        if element is not policy and element.get("key") not in (None, KEY):
            fault("%s: writes to key %s" % (name, element.get("key")))
    if name not in POLICY:
        fault("%s: a policy that is not ours" % name)
        return
    expected = POLICY[name]
    elements = policy.find(NS + "elements")
    if len(expected) == 3:
        value_name, enabled, disabled = expected
        if policy.get("valueName") != value_name or elements is not None:
            fault("%s: writes %s, not only %s" % (name, policy.get("valueName"), value_name))
        if decimal(policy.find(NS + "enabledValue"), name + " enabled") != enabled:
            fault("%s: Enabled does not write %d" % (name, enabled))
        if decimal(policy.find(NS + "disabledValue"), name + " disabled") != disabled:
            fault("%s: Disabled does not write %d" % (name, disabled))
        return
    value_name, items = expected
    lists = [] if elements is None else list(elements)
    if policy.get("valueName") or len(lists) != 1 or lists[0].tag != NS + "enum" \
            or lists[0].get("valueName") != value_name:
        fault("%s: does not write only the list %s" % (name, value_name))
        return
    written = {}
    for item in lists[0].findall(NS + "item"):
        value = decimal(item.find(NS + "value"), name + " item")
        if value is not None:
            written[value] = item.get("displayName")
    if sorted(written) != sorted(items):
        fault("%s: writes %s, not %s" % (name, sorted(written), sorted(items)))
    return {written[v]: label for v, label in items.items() if v in written}


def main(folder):
    admx = parse(folder + "/KivoFunctionButton.admx", "policyDefinitions")
    admls = {lang: parse("%s/%s/KivoFunctionButton.adml" % (folder, lang), "policyDefinitionResources")
             for lang in LANGUAGES}
    if admx is None or None in admls.values():
        return
    if admx.find(NS + "resources") is None or not admx.find(NS + "resources").get("minRequiredRevision"):
        fault("admx: no resources minRequiredRevision")

    # What each language file defines: string ids with their texts, and
    # presentations with the element ids they show.
    strings, presentations = {}, {}
    for lang, adml in admls.items():
        strings[lang] = {s.get("id"): s.text or "" for s in adml.iter(NS + "string")}
        presentations[lang] = {p.get("id"): [c.get("refId") for c in p]
                               for p in adml.iter(NS + "presentation")}
    for kind, table in (("string", strings), ("presentation", presentations)):
        first, second = (set(table[lang]) for lang in LANGUAGES)
        for missing in sorted(first ^ second):
            fault("%s.%s is in one language file only" % (kind, missing))

    # Every reference of the template resolves.
    text = ET.tostring(admx, encoding="unicode")
    for kind, ident in re.findall(r"\$\((string|presentation)\.([^)]*)\)", text):
        table = strings if kind == "string" else presentations
        for lang in LANGUAGES:
            if ident not in table[lang]:
                fault("%s.%s is missing in %s" % (kind, ident, lang))
    categories = {c.get("name") for c in admx.iter(NS + "category")}
    supported = {d.get("name") for d in admx.iter(NS + "definition")}
    for ref in admx.iter(NS + "parentCategory"):
        if ref.get("ref") not in categories:
            fault("category %s is not defined" % ref.get("ref"))
    for ref in admx.iter(NS + "supportedOn"):
        if ref.get("ref") is not None and ref.get("ref") not in supported:
            fault("supportedOn %s is not defined" % ref.get("ref"))

    # What the policies write, and the items' texts against their values.
    policies = list(admx.iter(NS + "policy"))
    if sorted(p.get("name") for p in policies) != sorted(POLICY):
        fault("policies %s, not %s" % (sorted(p.get("name") for p in policies), sorted(POLICY)))
    for policy in policies:
        labels = check_writes(policy)
        for reference, label in (labels or {}).items():
            for lang in LANGUAGES:
                ident = re.sub(r"^\$\(string\.(.*)\)$", r"\1", reference or "")
                if not strings[lang].get(ident, "").startswith(label):
                    fault("%s: the item for %s reads %r in %s" % (policy.get("name"), label,
                                                                  strings[lang].get(ident), lang))
        # The presentation shows each element of the policy, and only those.
        ids = sorted(e.get("id") for e in policy.findall(NS + "elements/*"))
        shown = re.sub(r"^\$\(presentation\.(.*)\)$", r"\1", policy.get("presentation") or "")
        for lang in LANGUAGES:
            if sorted(presentations[lang].get(shown, [])) != ids:
                fault("%s: %s shows %s, not the elements %s" % (lang, policy.get("name"),
                                                              presentations[lang].get(shown, []), ids))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    main(sys.argv[1])
    for line in faults:
        print("FAILED: " + line)
    if faults:
        sys.exit(1)
    print("admx: %d policies ok" % len(POLICY))
