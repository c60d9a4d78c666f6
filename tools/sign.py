#!/usr/bin/env python3
"""Signs Windows programs in place with osslsigncode (Debian's package) when a certificate is named, as the
release signs KAL's own: KAL_SIGN_PKCS12 is the PKCS#12 file, KAL_SIGN_PASSWORD its password. A program kalpack
made stays one when signed: its script comes before the signature, which the program reads past.

Usage: KAL_SIGN_PKCS12=cert.p12 KAL_SIGN_PASSWORD=... python3 tools/sign.py PROGRAM.exe...
"""
import os
import subprocess
import sys
from pathlib import Path


def sign(programs, name="KAL"):
    """Signs the programs in place when a certificate is named; says whether they were."""
    pkcs12, password = os.environ.get("KAL_SIGN_PKCS12"), os.environ.get("KAL_SIGN_PASSWORD", "")
    if not pkcs12:
        return False
    for path in programs:
        path = Path(path)
        signed = path.with_suffix(".signed")
        subprocess.run(["osslsigncode", "sign", "-pkcs12", pkcs12, "-pass", password, "-n", name, "-h", "sha256",
                        "-in", str(path), "-out", str(signed)], check=True, stdout=subprocess.DEVNULL)
        signed.replace(path)
    return True


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__.split("\n\n")[-1].strip())
    if not sign(sys.argv[1:], name=Path(sys.argv[1]).stem):
        sys.exit("sign.py: set KAL_SIGN_PKCS12 (and KAL_SIGN_PASSWORD) to sign")
    print(f"sign.py: {len(sys.argv) - 1} signed")


if __name__ == "__main__":
    main()
