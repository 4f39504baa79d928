#!/usr/bin/env python3
"""Validates SARIF logs against the SARIF 2.1.0 JSON schema: validate_sarif.py SCHEMA LOG...

Prints every schema violation and exits 1 when there is one; 2 when a log is no JSON."""
import json
import sys

import jsonschema


def main():
    with open(sys.argv[1], encoding="utf-8") as f:
        schema = json.load(f)
    validator_class = jsonschema.validators.validator_for(schema)
    validator_class.check_schema(schema)
    validator = validator_class(schema, format_checker=jsonschema.FormatChecker())
    failed = False
    for name in sys.argv[2:]:
        try:
            with open(name, encoding="utf-8") as f:
                log = json.load(f)
        except ValueError as e:
            print(f"{name}: not JSON: {e}")
            return 2
        for error in validator.iter_errors(log):
            failed = True
            where = "/".join(str(p) for p in error.absolute_path)
            print(f"{name}: {where}: {error.message}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
