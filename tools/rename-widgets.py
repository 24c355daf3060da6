#!/usr/bin/env python3
"""Renames the numbered widget object names ("ctl1015", "cmd32775") in test sources to the
descriptive names the dialogs now use (ui/WidgetIds.h keeps the numbers for reference).

    tools/rename-widgets.py [FILE...]     default: every .cpp and .h under tests/ui and tests/app

Only quoted names are replaced, so running it twice changes nothing; a changed file is then
formatted with clang-format, as longer names can break lines differently. 1093 and 1095 stand for
two fields of the HTML sheet; in the tests they are the List layout's (its entry template).
An unknown numbered name is reported and its file left as it was; the exit status is then 1.
"""
import pathlib
import re
import subprocess
import sys

NAMES = {
    "ctl1003": "areasList",
    "ctl1004": "namesList",
    "ctl1011": "singleLineRadio",
    "ctl1012": "doubleLineRadio",
    "ctl1013": "newButton",
    "ctl1014": "customiseButton",
    "ctl1015": "deleteButton",
    "ctl1016": "fullListRadio",
    "ctl1017": "areaCombo",
    "ctl1018": "conferenceCombo",
    "ctl1019": "languageCombo",
    "ctl1020": "allFilesRadio",
    "ctl1021": "lastDaysRadio",
    "ctl1022": "daysEdit",
    "ctl1023": "freeCheck",
    "ctl1024": "passwordedCheck",
    "ctl1025": "scanFailedCheck",
    "ctl1027": "bulletinConferenceCombo",
    "ctl1028": "fromEdit",
    "ctl1029": "popularRadio",
    "ctl1030": "topCountEdit",
    "ctl1031": "skipListCheck",
    "ctl1032": "toEdit",
    "ctl1033": "subjectEdit",
    "ctl1034": "typeCombo",
    "ctl1035": "fromLabel",
    "ctl1036": "toLabel",
    "ctl1037": "subjectLabel",
    "ctl1038": "areaLabel",
    "ctl1039": "conferenceLabel",
    "ctl1040": "languageLabel",
    "ctl1041": "selectAllButton",
    "ctl1042": "clearAllButton",
    "ctl1043": "nameEdit",
    "ctl1046": "commandEdit",
    "ctl1047": "nameEdit",
    "ctl1051": "unusedLabel",
    "ctl1052": "descriptionEdit",
    "ctl1054": "descriptionLabel",
    "ctl1061": "headerEdit",
    "ctl1062": "footerEdit",
    "ctl1064": "webLink",
    "ctl1065": "mailLink",
    "ctl1068": "htmlDirEdit",
    "ctl1069": "htmlDirLabel",
    "ctl1070": "htmlDirBrowseButton",
    "ctl1071": "titleEdit",
    "ctl1072": "defaultTitleCheck",
    "ctl1073": "bgImageEdit",
    "ctl1074": "bgColourEdit",
    "ctl1075": "styleSheetEdit",
    "ctl1076": "bgColourButton",
    "ctl1077": "textColourEdit",
    "ctl1078": "linkColourEdit",
    "ctl1079": "vLinkColourEdit",
    "ctl1080": "aLinkColourEdit",
    "ctl1081": "textColourButton",
    "ctl1082": "linkColourButton",
    "ctl1083": "vLinkColourButton",
    "ctl1084": "aLinkColourButton",
    "ctl1085": "bgImageButton",
    "ctl1086": "styleSheetButton",
    "ctl1091": "defaultHeaderCheck",
    "ctl1092": "defaultFooterCheck",
    "ctl1093": "entryTemplateEdit",
    "ctl1095": "defaultEntryCheck",
    "ctl1096": "defaultAreaFooterCheck",
    "ctl1097": "areaHeaderEdit",
    "ctl1098": "indexedCheck",
    "ctl1099": "defaultIndexHeaderCheck",
    "ctl1100": "defaultIndexFooterCheck",
    "ctl1101": "indexHeaderEdit",
    "ctl1102": "indexFooterEdit",
    "ctl1103": "linkKindCombo",
    "ctl1104": "serverEdit",
    "ctl1105": "localLinksCheck",
    "ctl1109": "discardCheck",
    "ctl1110": "asciiCheck",
    "ctl1111": "internalZipCheck",
    "ctl1112": "commentLabel",
    "ctl1113": "commentEdit",
    "ctl1114": "commandLabel",
    "cmd32775": "copyAction",
    "cmd32777": "renameAction",
    "cmd32778": "deleteAction",
    "cmd32779": "customiseAction",
}

QUOTED = re.compile(r'"((?:ctl|cmd)[0-9]+)"')


def rename(path):
    text = path.read_text(encoding="utf-8")
    unknown = sorted({m for m in QUOTED.findall(text) if m not in NAMES})
    if unknown:
        print(f"{path}: unknown names {', '.join(unknown)}; left as it was", file=sys.stderr)
        return False
    new = QUOTED.sub(lambda m: '"' + NAMES[m.group(1)] + '"', text)
    if new != text:
        path.write_text(new, encoding="utf-8")
        subprocess.run(["clang-format", "-i", str(path)], check=True)
        print(f"{path}: renamed")
    return True


def main(args):
    root = pathlib.Path(__file__).resolve().parent.parent
    files = [pathlib.Path(a) for a in args]
    if not files:
        for folder in ("tests/ui", "tests/app"):
            files += sorted(p for p in (root / folder).iterdir() if p.suffix in (".cpp", ".h"))
    ok = all([rename(f) for f in files])
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
