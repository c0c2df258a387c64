#!/usr/bin/env python3
"""Data for scripts/bench.sh; the same arguments always give the same bytes.

  make-bench-data.py download OUT SIZE_MIB
      a file of SIZE_MIB MiB to be fetched: a zip local-header signature and
      then incompressible bytes (the transfer never looks inside)
  make-bench-data.py archive OUT SIZE_MIB
      a zip archive of about SIZE_MIB MiB with a few thousand members shaped
      like a data set: deflated CSV tables and incompressible photo files in
      subfolders
  make-bench-data.py members OUT COUNT
      a zip archive of COUNT small deflated CSV members (a few hundred bytes
      each), 500 to a subfolder: the cost per member rather than per byte
"""

import os
import random
import sys
import zipfile

MIB = 1024 * 1024
ZIP_TIME = (2024, 3, 1, 6, 0, 0)


def write_download(out, size_mib):
    rng = random.Random(size_mib)
    left = size_mib * MIB
    with open(out + ".part", "wb") as f:
        f.write(b"PK\x03\x04")
        left -= 4
        while left > 0:
            n = min(left, 4 * MIB)
            f.write(rng.randbytes(n))
            left -= n
    os.replace(out + ".part", out)


def csv_rows(rng, count):
    streets = ["Oak", "Maple", "Cedar", "Pine", "Elm", "Willow", "Birch", "Aspen", "Ridge"]
    kinds = ["St", "Ave", "Rd", "Dr", "Ln", "Ct", "Blvd", "Way"]
    cities = ["Brookfield,WI", "Fairview,OR", "Riverton,UT", "Kingsport,TN", "Salem,MA"]
    statuses = ["Active", "Pending", "Sold", "Expired", "Withdrawn"]
    rows = []
    for i in range(count):
        rows.append(
            f"{rng.randint(10**7, 10**8 - 1)},{rng.randint(100, 19999)} {rng.choice(streets)} "
            f"{rng.choice(kinds)},{rng.choice(cities)},{rng.randint(50, 3000) * 1000},"
            f"{rng.randint(1, 7)},{rng.randint(1, 5)},{rng.randint(600, 6000)},"
            f"{rng.choice(statuses)},2024-{rng.randint(1, 12):02d}-{rng.randint(1, 28):02d},"
            f"{rng.getrandbits(64):016x}\n".encode())
    return rows


def add(archive, name, data, method):
    info = zipfile.ZipInfo(name, ZIP_TIME)
    info.compress_type = method
    info.external_attr = 0o644 << 16
    archive.writestr(info, data)


def write_archive(out, size_mib):
    rng = random.Random(size_mib * 7919)
    pool = csv_rows(rng, 20000)
    header = b"ListingId,Address,City,State,Price,Beds,Baths,SqFt,Status,Date,Key\n"
    # About half the packed bytes in tables (packing about 4:1), half in photos.
    target = size_mib * MIB
    packed = 0
    tables = photos = 0
    with zipfile.ZipFile(out + ".part", "w", allowZip64=True) as archive:
        while packed < target:
            if photos < 2 * tables + 2:
                size = rng.randint(24, 104) * 1024
                add(archive, f"photos/{photos // 500:02d}/{photos:06d}.jpg", rng.randbytes(size),
                    zipfile.ZIP_DEFLATED)
                photos += 1
            else:
                count = rng.randint(2500, 7500)
                body = header + b"".join(rng.choices(pool, k=count))
                add(archive, f"listings/{tables // 250:02d}/part-{tables:05d}.csv", body,
                    zipfile.ZIP_DEFLATED)
                tables += 1
            packed = archive.fp.tell()
    os.replace(out + ".part", out)
    print(f"{out}: {tables + photos} members ({tables} tables, {photos} photos)")


def write_members(out, count):
    rng = random.Random(count * 104729)
    pool = csv_rows(rng, 2000)
    header = b"ListingId,Address,City,State,Price,Beds,Baths,SqFt,Status,Date,Key\n"
    with zipfile.ZipFile(out + ".part", "w") as archive:
        for i in range(count):
            body = header + b"".join(rng.choices(pool, k=rng.randint(1, 4)))
            add(archive, f"small/{i // 500:03d}/listing-{i:06d}.csv", body, zipfile.ZIP_DEFLATED)
    os.replace(out + ".part", out)
    print(f"{out}: {count} members")


def main():
    writers = {"download": write_download, "archive": write_archive, "members": write_members}
    if len(sys.argv) != 4 or sys.argv[1] not in writers:
        sys.exit(__doc__)
    writers[sys.argv[1]](sys.argv[2], int(sys.argv[3]))


if __name__ == "__main__":
    main()
