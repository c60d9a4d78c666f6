#!/usr/bin/env python3
"""Works out the loan of examples/prestamo.txt by exact fractions, the textbook way, and checks that its case
(tests/cases/examples/prestamo.expect) expects that table: the payment is capital x r / (1 - (1 + r)^-n) rounded
to the cent, each month's interest is what remains x r rounded to the cent (halves up), and the last payment
settles what remains. r is the script's monthly rate: 5 % a year over 12 months, in millionths (4167).

Usage: loan_table.py EXPECT_FILE
"""
import sys
from fractions import Fraction

CAPITAL, MONTHS, RATE = 1_000_000, 12, Fraction(4167, 1_000_000)  # cents, months, a month


def cents(x):
    return int(x + Fraction(1, 2))


def euros(c):
    whole, part = divmod(c, 100)
    return f"{whole:,}".replace(",", ".") + f",{part:02d}"


def table():
    payment = cents(CAPITAL * RATE / (1 - (1 + RATE) ** -MONTHS))
    lines, left = [f"Cuota mensual: {euros(payment)} \u20ac", ""], CAPITAL
    for month in range(1, MONTHS + 1):
        interest = cents(left * RATE)
        capital = left if month == MONTHS else payment - interest
        left -= capital
        lines.append(f"Mes {month}: paga {euros(capital + interest)} \u20ac  inter\u00e9s {euros(interest)} \u20ac  "
                     f"capital {euros(capital)} \u20ac  queda {euros(left)} \u20ac")
    return "\\r\\n".join(lines)


def main():
    expected = [line[len("box KAL: "):].rstrip("\n") for line in open(sys.argv[1], encoding="utf-8")
                if line.startswith("box KAL: ")]
    if expected != [table()]:
        print(f"the case expects\n  {expected}\nexact fractions give\n  {table()}")
        return 1
    print("the case's table is the exact one")
    return 0


if __name__ == "__main__":
    sys.exit(main())
