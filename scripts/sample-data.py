#!/usr/bin/env python3
"""Generates sample VYN Veltrix data sets for tests, the demo and benchmarks.

Writes into OUT:
  <prefix>Data.vyn            MLS listings: listings.csv, agents/agents.csv,
                              photos/photo-index.csv (a zip archive)
  <prefix>Tax.vyn             tax records: tax-parcels.csv,
                              assessments/tax-history.csv (a zip archive)
  <prefix>Data.vyn.manifest   one line per member: "<crc32 hex> <size> <path>"
  <prefix>Tax.vyn.manifest

The same seed and size always give the same bytes. --size-mib is the combined
size of the two archives (MLS takes about 60 %, tax the rest).
"""

import argparse
import datetime
import os
import random
import sys
import zipfile
import zlib

# Fixed member timestamps keep the archives byte-identical from run to run.
ZIP_TIME = (2024, 3, 1, 6, 0, 0)

STREETS = [
    "Oak", "Maple", "Cedar", "Pine", "Elm", "Willow", "Birch", "Aspen", "Juniper",
    "Sycamore", "Magnolia", "Hickory", "Chestnut", "Laurel", "Spruce", "Walnut",
    "Lakeview", "Hillcrest", "Ridge", "Meadow", "Sunset", "Harbor", "Canyon", "Prairie",
]
STREET_KINDS = ["St", "Ave", "Rd", "Dr", "Ln", "Ct", "Blvd", "Way", "Pl", "Ter"]
CITIES = [
    ("Brookfield", "WI", "53005"), ("Fairview", "OR", "97024"), ("Riverton", "UT", "84065"),
    ("Kingsport", "TN", "37660"), ("Milford", "CT", "06460"), ("Ashland", "OH", "44805"),
    ("Lakewood", "CO", "80226"), ("Greenville", "SC", "29601"), ("Salem", "MA", "01970"),
]
FIRST = [
    "James", "Mary", "Robert", "Patricia", "John", "Jennifer", "Michael", "Linda", "David",
    "Elizabeth", "William", "Barbara", "Richard", "Susan", "Joseph", "Jessica", "Thomas",
    "Sarah", "Carlos", "Karen", "Wei", "Nancy", "Ahmed", "Lisa", "Daniel", "Priya", "Paul",
]
LAST = [
    "Smith", "Johnson", "Williams", "Brown", "Jones", "Garcia", "Miller", "Davis", "Rodriguez",
    "Martinez", "Hernandez", "Lopez", "Wilson", "Anderson", "Thomas", "Taylor", "Moore",
    "Jackson", "Martin", "Lee", "Thompson", "White", "Harris", "Clark", "Lewis", "Nguyen",
]
PROPERTY_TYPES = ["Single Family", "Condo", "Townhouse", "Multi-Family", "Land", "Mobile"]
STATUSES = ["Active", "Pending", "Sold", "Sold", "Expired", "Withdrawn", "Active"]
PHOTO_CAPTIONS = ["Front", "Kitchen", "Living room", "Primary bedroom", "Bath", "Yard", "Garage"]
EXEMPTIONS = ["", "", "", "Homestead", "Senior", "Veteran"]


def address(rng):
    city, state, zip_code = rng.choice(CITIES)
    street = f"{rng.randint(100, 19999)} {rng.choice(STREETS)} {rng.choice(STREET_KINDS)}"
    return street, city, state, zip_code


def day(rng, start_year, end_year):
    start = datetime.date(start_year, 1, 1).toordinal()
    end = datetime.date(end_year, 12, 31).toordinal()
    return datetime.date.fromordinal(rng.randint(start, end))


def person(rng):
    return f"{rng.choice(LAST)}, {rng.choice(FIRST)}"


class Member:
    """One archive member written in CSV batches, tracking its CRC and size."""

    def __init__(self, archive, path, header, zip64):
        info = zipfile.ZipInfo(path, ZIP_TIME)
        info.compress_type = zipfile.ZIP_DEFLATED
        info.external_attr = 0o644 << 16
        self.path = path
        self.handle = archive.open(info, "w", force_zip64=zip64)
        self.crc = 0
        self.size = 0
        self.write_line(header)

    def write_lines(self, lines):
        data = ("\r\n".join(lines) + "\r\n").encode("utf-8")
        self.crc = zlib.crc32(data, self.crc)
        self.size += len(data)
        self.handle.write(data)

    def write_line(self, line):
        self.write_lines([line])

    def close(self):
        self.handle.close()
        return (self.crc, self.size, self.path)


class Archive:
    """A zip archive whose growth on disk is measured while members are written."""

    def __init__(self, path, budget_bytes):
        self.path = path
        self.budget = budget_bytes
        self.file = open(path, "wb")
        self.zip = zipfile.ZipFile(self.file, "w", zipfile.ZIP_DEFLATED, compresslevel=6)
        self.members = []
        # Streamed members need Zip64 fields up front once they may pass 4 GiB.
        self.zip64 = budget_bytes > (1 << 30)

    def written(self):
        return self.file.tell()

    def fill(self, path, header, make_row, share, batch=200):
        """Writes rows until this member has used `share` of the budget (at least one batch)."""
        member = Member(self.zip, path, header, self.zip64)
        stop_at = self.written() + max(1, int(self.budget * share))
        rows = 0
        while True:
            member.write_lines([make_row(rows + i) for i in range(batch)])
            rows += batch
            if self.written() >= stop_at:
                break
        self.members.append(member.close())
        return rows

    def add_rows(self, path, header, rows):
        member = Member(self.zip, path, header, self.zip64)
        for start in range(0, len(rows), 500):
            member.write_lines(rows[start:start + 500])
        self.members.append(member.close())

    def close(self):
        self.zip.close()
        self.file.close()
        with open(self.path + ".manifest", "w", encoding="utf-8", newline="\n") as manifest:
            for crc, size, path in self.members:
                manifest.write(f"{crc:08x} {size} {path}\n")


def mls_archive(path, budget, rng):
    archive = Archive(path, budget)
    agents = [f"AG{1000 + i}" for i in range(150)]
    listing_ids = []

    def listing(n):
        listing_id = 700000 + n
        listing_ids.append(listing_id)
        street, city, state, zip_code = address(rng)
        kind = rng.choice(PROPERTY_TYPES)
        beds = 0 if kind == "Land" else rng.randint(1, 6)
        baths = 0 if kind == "Land" else rng.choice([1, 1.5, 2, 2.5, 3, 3.5, 4])
        sqft = 0 if kind == "Land" else rng.randint(550, 5200)
        price = min(9500000, max(45000, round(rng.lognormvariate(12.8, 0.55), -2)))
        price = int(price)
        status = rng.choice(STATUSES)
        listed = day(rng, 2021, 2024)
        closed, sold = "", ""
        if status == "Sold":
            closed = (listed + datetime.timedelta(days=rng.randint(5, 160))).isoformat()
            sold = str(int(price * rng.uniform(0.92, 1.06)))
        return ",".join([
            str(listing_id), f"M{rng.randint(10000000, 99999999)}", status, listed.isoformat(),
            closed, str(price), sold, f'"{street}"', city, state, zip_code, str(beds),
            str(baths), str(sqft), str(rng.randint(1200, 43560)), str(rng.randint(1920, 2023)),
            kind, rng.choice(agents),
        ])

    archive.fill(
        "listings.csv",
        "listing_id,mls_number,status,list_date,close_date,list_price,sold_price,street,"
        "city,state,zip,beds,baths,sqft,lot_sqft,year_built,property_type,agent_id",
        listing, 0.85)

    photos = []
    for listing_id in listing_ids[: max(1, len(listing_ids) // 4)]:
        for seq in range(1, rng.randint(2, 4)):
            caption = rng.choice(PHOTO_CAPTIONS)
            photos.append(f"{listing_id},{seq},photos/{listing_id}-{seq:02d}.jpg,"
                          f"{rng.choice([640, 800, 1024])},{rng.choice([480, 600, 768])},{caption}")
    archive.add_rows("photos/photo-index.csv", "listing_id,seq,file,width,height,caption", photos)

    office = [f"{rng.choice(LAST)} Realty" for _ in range(12)]
    archive.add_rows(
        "agents/agents.csv", "agent_id,name,office,phone,license",
        [f'{agent},"{person(rng)}",{rng.choice(office)},555-{rng.randint(1000, 9999)},'
         f"RE{rng.randint(100000, 999999)}" for agent in agents])
    archive.close()


def tax_archive(path, budget, rng):
    archive = Archive(path, budget)
    parcels = []

    def parcel(n):
        parcel_id = f"{rng.randint(1, 99):02d}-{n // 1000:04d}-{n % 1000:03d}"
        parcels.append(parcel_id)
        street, city, state, zip_code = address(rng)
        land = rng.randint(15, 400) * 1000
        improvement = rng.randint(0, 1200) * 1000
        assessed = land + improvement
        exemption = rng.choice(EXEMPTIONS)
        taxable = max(0, assessed - (25000 if exemption else 0))
        rate = rng.uniform(0.008, 0.026)
        return ",".join([
            parcel_id, f'"{person(rng)}"', f'"{street}"', city, state, zip_code, "2024",
            str(land), str(improvement), str(assessed), exemption, f"{taxable * rate:.2f}",
            rng.choice(["Paid", "Paid", "Paid", "Due", "Delinquent"]),
        ])

    archive.fill(
        "tax-parcels.csv",
        "parcel_id,owner,situs_street,city,state,zip,tax_year,land_value,improvement_value,"
        "assessed_value,exemption,tax_amount,payment_status",
        parcel, 0.85)

    history = []
    for parcel_id in parcels[: max(1, len(parcels) // 6)]:
        for year in (2021, 2022, 2023):
            history.append(f"{parcel_id},{year},{rng.randint(40, 1500) * 1000},"
                           f"{rng.uniform(500, 30000):.2f}")
    archive.add_rows("assessments/tax-history.csv", "parcel_id,tax_year,assessed_value,tax_amount",
                     history)
    archive.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("out", help="folder to write the data sets into (created if missing)")
    parser.add_argument("--prefix", default="VYN", help="file-name prefix (default: VYN)")
    parser.add_argument("--seed", type=int, default=1, help="random seed (default: 1)")
    parser.add_argument("--size-mib", type=float, default=4.0,
                        help="combined size of both archives in MiB (default: 4)")
    args = parser.parse_args()
    if args.size_mib <= 0:
        parser.error("--size-mib must be positive")

    os.makedirs(args.out, exist_ok=True)
    budget = int(args.size_mib * 1024 * 1024)
    mls = os.path.join(args.out, args.prefix + "Data.vyn")
    tax = os.path.join(args.out, args.prefix + "Tax.vyn")
    mls_archive(mls, int(budget * 0.6), random.Random(f"mls-{args.seed}"))
    tax_archive(tax, budget - int(budget * 0.6), random.Random(f"tax-{args.seed}"))
    for path in (mls, tax):
        with zipfile.ZipFile(path) as check:
            bad = check.testzip()
            if bad:
                sys.exit(f"{path}: member {bad} fails its CRC check")
        print(f"{path}: {os.path.getsize(path)} bytes")


if __name__ == "__main__":
    main()
