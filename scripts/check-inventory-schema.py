#!/usr/bin/python3
"""Checks inventory files against the JSON Schema of the format.

    scripts/check-inventory-schema.py SCHEMA FILE...

Prints one line per problem and exits 1 when any file does not conform.
Uses Debian's python3-jsonschema.
"""
import json
import sys

import jsonschema


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    with open(argv[1], encoding="utf-8") as f:
        schema = json.load(f)
    validator_class = jsonschema.validators.validator_for(schema)
    validator_class.check_schema(schema)
    validator = validator_class(schema)
    bad = 0
    for path in argv[2:]:
        with open(path, encoding="utf-8") as f:
            document = json.load(f)
        for error in validator.iter_errors(document):
            where = "/".join(str(p) for p in error.absolute_path)
            print(f"{path}: {where}: {error.message[:300]}")
            bad += 1
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
