--------------------------------------------------------------------------------
-- xx_po_audit_triggers.sql
--
-- Audit triggers for purchasing (SOX control PO-07).
-- Run as APPS.  Re-runnable.
--
-- 2008-09-15  gschulz   header/line audit
-- 2012-01-20  gschulz   supplier duplicate check
-- 2019-07-02  rnair     compound trigger for the approval counters
--------------------------------------------------------------------------------
SET DEFINE OFF
SET SERVEROUTPUT ON

PROMPT Creating trigger XX_PO_HEADERS_AUD_ARIUD

CREATE OR REPLACE TRIGGER xx_po_headers_aud_ariud
AFTER INSERT OR UPDATE OR DELETE ON po_headers_all
FOR EACH ROW
DECLARE
  l_action   VARCHAR2(1);
  l_user     fnd_user.user_name%TYPE;

  CURSOR c_user (p_user_id NUMBER) IS
    SELECT user_name
      FROM fnd_user
     WHERE user_id = p_user_id;
BEGIN
  l_action := CASE
                WHEN INSERTING THEN 'I'
                WHEN UPDATING  THEN 'U'
                ELSE 'D'
              END;

  OPEN c_user(fnd_global.user_id);
  FETCH c_user INTO l_user;
  IF c_user%NOTFOUND THEN
    l_user := 'UNKNOWN(' || fnd_global.user_id || ')';
  END IF;
  CLOSE c_user;

  INSERT INTO xx_po_headers_aud
    (aud_id, aud_action, aud_user, aud_date,
     po_header_id, segment1, vendor_id, old_status, new_status,
     old_amount_limit, new_amount_limit)
  VALUES
    (xx_po_aud_s.NEXTVAL, l_action, l_user, SYSDATE,
     NVL(:NEW.po_header_id, :OLD.po_header_id), NVL(:NEW.segment1, :OLD.segment1),
     NVL(:NEW.vendor_id, :OLD.vendor_id),
     :OLD.authorization_status, :NEW.authorization_status,
     :OLD.amount_limit, :NEW.amount_limit);
END xx_po_headers_aud_ariud;
/
SHOW ERRORS

PROMPT Creating trigger XX_PO_LINES_AUD_BRU

CREATE OR REPLACE TRIGGER xx_po_lines_aud_bru
BEFORE UPDATE OF unit_price, quantity ON po_lines_all
FOR EACH ROW
WHEN (NEW.unit_price <> OLD.unit_price OR NEW.quantity <> OLD.quantity)
DECLARE
  CURSOR c_prev (p_line_id NUMBER) IS
    SELECT new_unit_price, aud_date
      FROM xx_po_lines_aud
     WHERE po_line_id = p_line_id
     ORDER BY aud_date DESC;

  l_last_price  NUMBER;
  l_last_date   DATE;
  l_pct         NUMBER;
BEGIN
  OPEN c_prev(:OLD.po_line_id);
  FETCH c_prev INTO l_last_price, l_last_date;

  -- more than 3 price changes within one hour need the buyer manager
  IF c_prev%FOUND AND l_last_date > SYSDATE - 1/24 THEN
    l_pct := ABS(:NEW.unit_price - l_last_price) / NULLIF(l_last_price, 0) * 100;
    IF l_pct > 25 THEN
      RAISE_APPLICATION_ERROR(-20801,
        'Price of line ' || :OLD.line_num || ' changed by ' || ROUND(l_pct) ||
        '% within the hour, approval required');
    END IF;
  END IF;

  INSERT INTO xx_po_lines_aud
    (aud_id, aud_date, aud_user, po_header_id, po_line_id,
     old_unit_price, new_unit_price, old_quantity, new_quantity)
  VALUES
    (xx_po_aud_s.NEXTVAL, SYSDATE, fnd_global.user_name, :OLD.po_header_id,
     :OLD.po_line_id, :OLD.unit_price, :NEW.unit_price, :OLD.quantity, :NEW.quantity);
END;
/
SHOW ERRORS

PROMPT Creating trigger XX_PO_HEADERS_AUD_ASU (statement level)

CREATE OR REPLACE TRIGGER xx_po_headers_aud_asu
  AFTER UPDATE
  ON po_headers_all
DECLARE
  CURSOR c_sess IS
    SELECT SYS_CONTEXT('USERENV', 'MODULE'),
           SYS_CONTEXT('USERENV', 'OS_USER'),
           SYS_CONTEXT('USERENV', 'IP_ADDRESS')
      FROM dual;

  l_module  VARCHAR2(64);
  l_osuser  VARCHAR2(64);
  l_ip      VARCHAR2(64);
BEGIN
  OPEN c_sess;
  FETCH c_sess INTO l_module, l_osuser, l_ip;
  CLOSE c_sess;

  -- updates from SQL*Plus / Toad are logged separately
  IF UPPER(l_module) LIKE '%SQL%PLUS%' OR UPPER(l_module) LIKE 'TOAD%' THEN
    INSERT INTO xx_po_adhoc_updates (upd_date, module, os_user, ip_address)
    VALUES (SYSDATE, l_module, l_osuser, l_ip);
  END IF;
EXCEPTION
  WHEN OTHERS THEN
    NULL;   -- auditing must never block the business transaction
END;
/
SHOW ERRORS

PROMPT Creating trigger XX_AP_SUPPLIERS_BRIU

CREATE OR REPLACE TRIGGER xx_ap_suppliers_briu
  BEFORE INSERT OR UPDATE OF vendor_name, num_1099, vat_registration_num
  ON ap_suppliers
  REFERENCING NEW AS n OLD AS o
  FOR EACH ROW
DECLARE
  CURSOR c_dup (p_vendor_id NUMBER, p_tax_id VARCHAR2, p_vat VARCHAR2) IS
    SELECT vendor_id, segment1
      FROM ap_suppliers
     WHERE vendor_id <> NVL(p_vendor_id, -1)
       AND (num_1099 = p_tax_id OR vat_registration_num = p_vat)
       AND NVL(end_date_active, SYSDATE + 1) > SYSDATE;

  r_dup     c_dup%ROWTYPE;
  l_exempt  VARCHAR2(1);
BEGIN
  IF :n.num_1099 IS NULL AND :n.vat_registration_num IS NULL THEN
    RETURN;
  END IF;

  BEGIN
    SELECT 'Y'
      INTO l_exempt
      FROM xx_ap_dup_exemptions
     WHERE vendor_name = :n.vendor_name;
  EXCEPTION
    WHEN NO_DATA_FOUND THEN l_exempt := 'N';
    WHEN TOO_MANY_ROWS THEN l_exempt := 'Y';
  END;

  IF l_exempt = 'N' THEN
    OPEN c_dup(:n.vendor_id, :n.num_1099, :n.vat_registration_num);
    FETCH c_dup INTO r_dup;
    IF c_dup%FOUND THEN
      CLOSE c_dup;
      RAISE_APPLICATION_ERROR(-20802, 'Tax id already used by supplier ' || r_dup.segment1);
    END IF;
    CLOSE c_dup;
  END IF;

  :n.vendor_name := UPPER(TRIM(:n.vendor_name));
END xx_ap_suppliers_briu;
/
SHOW ERRORS

PROMPT Creating trigger XX_PO_APPROVAL_CT (compound)

CREATE OR REPLACE TRIGGER xx_po_approval_ct
  FOR UPDATE OF authorization_status ON po_headers_all
  COMPOUND TRIGGER

  TYPE t_ids IS TABLE OF po_headers_all.po_header_id%TYPE INDEX BY PLS_INTEGER;
  g_ids   t_ids;

  CURSOR c_buyer (p_header_id NUMBER) IS
    SELECT agent_id, org_id
      FROM po_headers_all
     WHERE po_header_id = p_header_id;

  BEFORE STATEMENT IS
  BEGIN
    g_ids.DELETE;
  END BEFORE STATEMENT;

  AFTER EACH ROW IS
  BEGIN
    IF :NEW.authorization_status = 'APPROVED'
       AND NVL(:OLD.authorization_status, 'X') <> 'APPROVED'
    THEN
      g_ids(g_ids.COUNT + 1) := :NEW.po_header_id;
    END IF;
  END AFTER EACH ROW;

  AFTER STATEMENT IS
    l_agent  NUMBER;
    l_org    NUMBER;
  BEGIN
    FOR i IN 1 .. g_ids.COUNT LOOP
      OPEN c_buyer(g_ids(i));
      FETCH c_buyer INTO l_agent, l_org;
      CLOSE c_buyer;

      MERGE INTO xx_po_buyer_stats s
      USING (SELECT l_agent agent_id, l_org org_id, TRUNC(SYSDATE, 'MM') month_start FROM dual) x
         ON (s.agent_id = x.agent_id AND s.org_id = x.org_id AND s.month_start = x.month_start)
      WHEN MATCHED THEN UPDATE SET s.approved_count = s.approved_count + 1
      WHEN NOT MATCHED THEN INSERT (agent_id, org_id, month_start, approved_count)
                            VALUES (x.agent_id, x.org_id, x.month_start, 1);
    END LOOP;
  END AFTER STATEMENT;

END xx_po_approval_ct;
/
SHOW ERRORS

PROMPT Creating trigger XX_PO_REQ_V_IOI (instead of, on the requisition view)

CREATE OR REPLACE TRIGGER xx_po_req_v_ioi
INSTEAD OF INSERT ON xx_po_requisitions_v
FOR EACH ROW
DECLARE
  l_req_id   NUMBER;
BEGIN
  SELECT po_requisition_headers_s.NEXTVAL INTO l_req_id FROM dual;

  INSERT INTO po_requisition_headers_all
    (requisition_header_id, segment1, preparer_id, authorization_status, org_id,
     creation_date)
  VALUES
    (l_req_id, :NEW.req_number, :NEW.preparer_id, 'INCOMPLETE', :NEW.org_id, SYSDATE);

  -- map the catalogue item to the inventory item if there is one
  DECLARE
    CURSOR c_map (p_cat_item VARCHAR2, p_org NUMBER) IS
      SELECT inventory_item_id, primary_uom_code
        FROM mtl_system_items_b
       WHERE segment1 = p_cat_item
         AND organization_id = p_org;
    l_item_id  NUMBER;
    l_uom      VARCHAR2(3);
  BEGIN
    OPEN c_map(:NEW.catalog_item, :NEW.org_id);
    FETCH c_map INTO l_item_id, l_uom;
    IF c_map%NOTFOUND THEN
      l_item_id := NULL;     -- free text line
      l_uom     := NULL;
    END IF;

    INSERT INTO po_requisition_lines_all
      (requisition_line_id, requisition_header_id, line_num, item_id,
       item_description, unit_meas_lookup_code, quantity, unit_price)
    VALUES
      (po_requisition_lines_s.NEXTVAL, l_req_id, 1,
       l_item_id,
       :NEW.item_description, NVL(l_uom, :NEW.uom), :NEW.quantity, :NEW.unit_price);
  END;
END;
/
SHOW ERRORS

PROMPT Done.
