#!/usr/bin/perl
# Writes a test workbook with Perl's independent writers:
#   write_workbook.pl xls OUT   (Spreadsheet::WriteExcel, BIFF8)
#   write_workbook.pl xlsx OUT  (Excel::Writer::XLSX)
# The description comes on stdin, UTF-8, one tab-separated line each:
#   DATE1904 | SHEET name hidden | CELL row col kind value [cached] | MERGE r1 c1 r2 c2
# kinds: s text, n number, d date (yyyy-mm-dd), b boolean (1/0),
# z digits written as a number under a zero-padding format ("010022": 10022
# shown through 000000),
# f formula with a cached number, fs formula with a cached text,
# r rich text "plain|bold"; a date's "cached" field is the number of a
# built-in number format to use. Kinds a writer cannot write are left out.
use strict;
use warnings;
use utf8;
use Encode qw(decode);

my ($format, $out) = @ARGV;
die "usage: write_workbook.pl xls|xlsx OUT\n" unless $format && $out;
my $book;
if ($format eq 'xls') {
    require Spreadsheet::WriteExcel;
    $book = Spreadsheet::WriteExcel->new($out);
} else {
    require Excel::Writer::XLSX;
    $book = Excel::Writer::XLSX->new($out);
}
die "cannot write $out\n" unless $book;
my $date = $book->add_format(num_format => 'yyyy-mm-dd');
my $bold = $book->add_format(bold => 1);
my ($sheet, %values);
while (my $line = <STDIN>) {
    $line = decode('UTF-8', $line);
    chomp $line;
    my @f = split /\t/, $line, -1;
    if ($f[0] eq 'DATE1904') {
        $book->set_1904();
    } elsif ($f[0] eq 'SHEET') {
        $sheet = $book->add_worksheet($f[1]);
        $sheet->hide() if $f[2];
        %values = ();
    } elsif ($f[0] eq 'CELL') {
        my (undef, $r, $c, $kind, $value, $cached) = @f;
        $values{"$r,$c"} = $value;
        if ($kind eq 's') {
            $sheet->write_string($r, $c, $value);
        } elsif ($kind eq 'n') {
            $sheet->write_number($r, $c, $value);
        } elsif ($kind eq 'z') {
            $sheet->write_number($r, $c, $value + 0, $book->add_format(num_format => '0' x length($value)));
        } elsif ($kind eq 'd') {
            my $style = $cached ? $book->add_format(num_format => $cached + 0) : $date;
            $sheet->write_date_time($r, $c, "${value}T", $style);
        } elsif ($kind eq 'b') {
            $sheet->write_boolean($r, $c, $value) if $format eq 'xlsx';
        } elsif ($kind eq 'f' || ($kind eq 'fs' && $format eq 'xlsx')) {
            # Spreadsheet::WriteExcel writes a text result in the wrong byte
            # order, so .xls gets number results only.
            $sheet->write_formula($r, $c, "=$value", undef, $cached);
        } elsif ($kind eq 'r') {
            my ($plain, $strong) = split /\|/, $value;
            if ($format eq 'xlsx') {
                $sheet->write_rich_string($r, $c, $plain, $bold, $strong);
            } else {
                $sheet->write_string($r, $c, $plain . $strong);
            }
        }
    } elsif ($f[0] eq 'MERGE') {
        my (undef, $r1, $c1, $r2, $c2) = @f;
        $sheet->merge_range($r1, $c1, $r2, $c2, $values{"$r1,$c1"} // '', $book->add_format());
    }
}
$book->close() or die "cannot close $out\n";
