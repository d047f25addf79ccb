-- The simulated imaging application's database: the tables and values that Orvabridge reads
-- directly (GetGeneralInfo, GetCurrentPatientFolder). The patients 1001 to 1010 of the demo
-- register have the database keys 1001 to 1010 (so the folder of 1001 is
-- C:\OrvaData\Images\1000_\1001); the patient 2001 that the demo adds has the key 2001.

CREATE TABLE License_T (
  LicenseID    INTEGER PRIMARY KEY,
  Name         TEXT NOT NULL,
  DateInserted TEXT NOT NULL  -- 'YYYY-MM-DD HH:MM:SS' sorts by time
);
INSERT INTO License_T (Name, DateInserted) VALUES
  ('Orvadent Trial Licence', '2022-01-10 08:00:00'),
  ('Dental Practice Lindqvist', '2024-03-18 10:30:00');

CREATE TABLE Root_T (
  RootID        INTEGER PRIMARY KEY,
  RootDirectory TEXT NOT NULL,
  Status        INTEGER NOT NULL  -- 1: the active image root
);
INSERT INTO Root_T (RootDirectory, Status) VALUES
  ('C:\OrvaData\Archive', 0),
  ('C:\OrvaData\Images', 1);

CREATE TABLE Patient_T (
  PatientID   INTEGER PRIMARY KEY,
  PersonNr_CH TEXT NOT NULL UNIQUE
);
INSERT INTO Patient_T (PatientID, PersonNr_CH) VALUES
  (1001, '1001'), (1002, '1002'), (1003, '1003'), (1004, '1004'), (1005, '1005'),
  (1006, '1006'), (1007, '1007'), (1008, '1008'), (1009, '1009'), (1010, '1010'),
  (2001, '2001');
